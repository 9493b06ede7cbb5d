// Result file and restart in whole runs of quird on a small open channel.
#include <string>

#include "support/controls.h"
#include "support/testing.h"
#include "control/state.h"
#include "sediment/state.h"

using namespace quird_test;

namespace {

const std::string kChannel = kSmallChannel + kSmallChannelOpenings;
constexpr int kRecords = 7 * 6 * 7;  // (X+1)(Y+1)(Z+2)

std::string records(const std::string& result) { return result.substr(result.find("\nG ") + 1); }

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(RestartRun, ResultAfterStartUpReadsBackAndIsWrittenAgainUnchanged) {
    Case first;
    first.file("control", kChannel + "F 2 M\n").file("koordina", smallChannelGrid());
    ASSERT_EQ(first.run(), 1) << first.boogie();
    const std::string stored = first.read("result");
    ASSERT_EQ(count(stored, "\nG "), size_t(kRecords));
    EXPECT_EQ(stored.substr(0, stored.find('\n')), "Results from QUIRD - flow, iter = 0");

    // A restart field of its own: the u of one cell changed by hand.
    std::string changed = stored;
    const std::string cell = "\nG  3  3  3 ";
    const size_t at = changed.find(cell);
    ASSERT_NE(at, std::string::npos);
    changed.replace(at + cell.size(), 14, "1.23456789e+00");

    Case second;
    second.file("control", kChannel + "F 2 RM\n").file("koordina", smallChannelGrid()).file("result", changed);
    ASSERT_EQ(second.run(), 1) << second.boogie();
    EXPECT_EQ(records(second.read("result")), records(changed));
    const std::string log = second.boogie();
    EXPECT_NE(log.find(" In readres \n\nHave read " + std::to_string(kRecords) + " cells from result file\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Warning: may not have read"), std::string::npos) << log;
}

TEST(RestartRun, OnlyTheFirstTwoRoundsReadAndNeverANumberedFile) {
    struct RunCase {
        const char* files;
        const char* control;
        int exitCode;
        size_t reads;
    };
    Case stored;
    stored.file("control", kChannel + "F 2 M\n").file("koordina", smallChannelGrid());
    ASSERT_EQ(stored.run(), 1);
    const RunCase cases[] = {
        {"result", "F 2 R\nF 20 3\n", 1, 2},
        {"result.00003", "F 2 R\n", -3, 0},
    };
    for (const RunCase& rc : cases) {
        Case c;
        c.file("control", kChannel + rc.control).file("koordina", smallChannelGrid()).file(rc.files, stored.read("result"));
        EXPECT_EQ(c.run(), rc.exitCode) << rc.files;
        EXPECT_EQ(count(c.boogie(), " In readres \n"), rc.reads) << c.boogie();
    }
}

}  // namespace
