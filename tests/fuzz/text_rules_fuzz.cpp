// The text rules under libFuzzer, ASan and UBSan: no crash, and the rules' own promises hold for any input.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "services/TextRules.h"

static void Check(bool ok) { if (!ok) std::abort(); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // The field is a piece of the content, and never runs past its own end mark.
    const std::string field = FirstField(text);
    Check(text.find(field) != std::string_view::npos);
    const size_t lead = text.find_first_not_of(" \t");
    const bool quoted = lead != std::string_view::npos && text[lead] == '"';
    Check(field.find_first_of(quoted ? "\"" : ",\r\n") == std::string::npos);

    // A number is finite; no number reads as 0.
    for (std::string_view t : {text, std::string_view(field)}) {
        auto n = LeadingNumber(t);
        if (n) Check(std::isfinite(*n));
        Check(NumericValue(t) == n.value_or(0.0));
    }

    // Blanks around the balloon setting change nothing.
    Check(BubblesTruth(text) == BubblesTruth(" " + std::string(text) + "\t"));

    // A command line is a known switch (minutes in range) or a problem said in words.
    const Command c = ParseCommandLine({text});
    Check((c.kind == CommandKind::Wrong) != c.problem.empty());
    Check(c.kind != CommandKind::OffFor || (c.minutes >= 1 && c.minutes <= 1440));
    return 0;
}
