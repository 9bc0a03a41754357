#include "update/frmUpdate.h"

#include "res/frmUpdateLayout.h"
#include "services/ProgramVersion.h"
#include "ui/Text.h"

namespace {

constexpr Route kUpdateRoutes[] = {
    On<&frmUpdate::cmdCheck_Click>("cmdCheck"),
    On<&frmUpdate::cmdCancel_Click>("cmdCancel"),
};
static_assert(RoutesMatch(kUpdateLayout, kUpdateRoutes));

}  // namespace

frmUpdate& frmUpdate::Instance() {
    static frmUpdate dialog;
    return dialog;
}

frmUpdate::frmUpdate() : Form(kUpdateLayout, kUpdateRoutes) {}

void frmUpdate::Form_Load() {
    SetText("lblYV", FromAnsi(DisplayVersion(ProgramVersion())));
    SetText("lblSV", L"Unknown");
}

void frmUpdate::cmdCheck_Click() {}

void frmUpdate::cmdCancel_Click() { Unload(); }
