// The transfer's time limits, beneath the Downloader and the update check: a server that never
// answers, or answers too slowly, is given up on time.
#include <gtest/gtest.h>

#include <windows.h>

#include "LoopbackServer.h"
#include "platform/HttpTransfer.h"

namespace {

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

TEST(HttpTransfer, GivesUpOnTime) {
    struct Case {
        const char* what;
        ScriptedReply reply;
        TransferOptions options;
    } cases[] = {
        {"silent, stall limit", ScriptedReply{}, {true, 1500, 0}},
        {"silent, whole limit", ScriptedReply{}, {true, 60000, 1500}},
        {"trickle, whole limit", ScriptedReply{200, std::string(10000, 'x'), true, std::string::npos, 10, 400},
         {true, 60000, 1500}},
    };
    cases[0].reply.silent = cases[1].reply.silent = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoopbackServer server([&](const std::string&) { return c.reply; });
        DWORD start = GetTickCount();
        TransferResult r = HttpTransfer(Narrow(server.Url("/x")), c.options);
        DWORD took = GetTickCount() - start;
        EXPECT_FALSE(r.complete);
        EXPECT_GE(took, 1000u);
        EXPECT_LE(took, 3000u);
    }
}

}  // namespace
