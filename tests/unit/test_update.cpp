// Download, write, run and open: the helpers the update paths share.
#include "HostFixture.h"

using namespace pankor;
using pankor::testing::HostTest;
using pankor::testing::Lines;

namespace {

constexpr const char* kUrl = "https://dl.tarnwick.test/clock.exe";

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

class UpdateTest : public HostTest {
protected:
    std::int64_t Elapsed() const { return fake.system.monotonicMs - start_; }
    std::int64_t start_ = fake.system.monotonicMs;
};

TEST_F(UpdateTest, FetchPumpingAsksWithTheAgentAndLimitsAndPumpsUntilTheAnswer) {
    fake.http.Serve(kUrl, "MZ installer");
    fake.http.waitsBeforeAnswer[kUrl] = 4;
    Bytes bytes;
    EXPECT_TRUE(app.update.FetchPumping(kUrl, bytes));
    EXPECT_EQ(Text(bytes), "MZ installer");
    EXPECT_EQ(pump.calls, 5);  // after every poll, the last one too
    ASSERT_EQ(fake.http.requests.size(), 1u);
    const HttpRequest& r = fake.http.requests[0];
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.headers, (HttpHeaders{{"User-Agent", "Pankor/1.0"}}));
    EXPECT_EQ(std::vector<int>({r.resolveTimeoutMs, r.connectTimeoutMs, r.sendTimeoutMs, r.receiveTimeoutMs}),
              std::vector<int>({8000, 8000, 30000, 300000}));
    EXPECT_EQ(r.maxBodyBytes, 512u * 1024 * 1024);
    EXPECT_EQ(LogLines(), Lines{});
}

struct FetchCase {
    const char* name;
    int status;
    const char* body;
    const char* failure;  // transport failure text, or ""
    std::size_t cap;      // 0: the product's
    const char* after;    // the byte array afterwards
    Lines log;
};

class FetchFailure : public UpdateTest, public ::testing::WithParamInterface<FetchCase> {};

TEST_P(FetchFailure, LeavesTheBytesAloneAndLogsWhy) {
    const FetchCase& c = GetParam();
    fake.http.Serve(kUrl, c.body, c.status);
    if (*c.failure) fake.http.failures[kUrl] = c.failure;
    if (c.cap) app.update.SetLimitsForTest({kFetchLimitMs, kRunLimitMs, c.cap});
    Bytes bytes{'k', 'e', 'e', 'p'};
    EXPECT_FALSE(app.update.FetchPumping(kUrl, bytes));
    EXPECT_EQ(Text(bytes), c.after);
    EXPECT_EQ(LogLines(), c.log);
    EXPECT_EQ(pump.calls, 1);  // an answer, good or bad, ends the wait at once
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FetchFailure,
    ::testing::Values(
        FetchCase{"NotFound", 404, "<html>gone</html>", "", 0, "keep", {"FetchPumping https://dl.tarnwick.test/clock.exe status 404"}},
        FetchCase{"ServerError", 500, "", "", 0, "keep", {"FetchPumping https://dl.tarnwick.test/clock.exe status 500"}},
        FetchCase{"EmptyBody", 200, "", "", 0, "", {}},
        FetchCase{"Refused", 200, "MZ", "A connection with the server could not be established", 0, "keep",
                  {"FetchPumping https://dl.tarnwick.test/clock.exe: A connection with the server could not be "
                   "established"}},
        FetchCase{"OverTheCap", 200, "MZ eleven b", "", 10, "keep",
                  {"FetchPumping https://dl.tarnwick.test/clock.exe too large: more than 10 bytes"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateTest, FetchPumpingGivesUpOnASilentServerAfterFiveMinutesWhilePumping) {
    fake.http.silent.insert(kUrl);
    Bytes bytes;
    EXPECT_FALSE(app.update.FetchPumping(kUrl, bytes));
    EXPECT_EQ(LogLines(), Lines{"FetchPumping timed out: https://dl.tarnwick.test/clock.exe"});
    EXPECT_EQ(pump.calls, 300000 / 200 + 1);  // until more than 300 s have passed
    EXPECT_EQ(Elapsed(), 300200);
    EXPECT_EQ(fake.http.abandoned, 1);
}

TEST_F(UpdateTest, TheClientsOwnTimeOutAtTheLimitIsTheSameTimeOut) {
    fake.http.failures[kUrl] = "The operation timed out";
    fake.http.waitsBeforeAnswer[kUrl] = 300000 / 200;
    Bytes bytes;
    EXPECT_FALSE(app.update.FetchPumping(kUrl, bytes));
    EXPECT_EQ(LogLines(), Lines{"FetchPumping timed out: https://dl.tarnwick.test/clock.exe"});
}

TEST_F(UpdateTest, FetchPumpingReportsProgressAtMostFourTimesASecond) {
    fake.http.Serve(kUrl, std::string(1000, 'x'));
    fake.http.waitsBeforeAnswer[kUrl] = 10;  // one tenth of the body per poll of 200 ms
    std::vector<std::pair<std::uint64_t, std::uint64_t>> reports;
    Bytes bytes;
    EXPECT_TRUE(app.update.FetchPumping(kUrl, bytes, [&](std::uint64_t r, std::uint64_t t) { reports.emplace_back(r, t); }));
    // At 400, 800, 1200, 1600 and 2000 ms; the answer at 2200 ms comes too soon after.
    EXPECT_EQ(reports, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{
                           {200, 1000}, {400, 1000}, {600, 1000}, {800, 1000}, {1000, 1000}}));
}

TEST_F(UpdateTest, WriteBytesReplacesTheFileOrLogsWhy) {
    const std::string path = std::string(kTemp) + "\\Pankor-app-clock.exe";
    fake.fs.files[path] = "old and longer";
    EXPECT_TRUE(app.update.WriteBytes(path, Bytes{'M', 'Z'}));
    EXPECT_EQ(fake.fs.files[path], "MZ");
    EXPECT_FALSE(app.update.WriteBytes("C:\\nowhere\\x.exe", Bytes{'M', 'Z'}));
    EXPECT_EQ(LogLines(), Lines{"WriteBytes C:\\nowhere\\x.exe: Path not found"});
}

struct RunCase {
    const char* name;
    int waitsUntilExit;  // -1: never ends
    int pumps;
    std::int64_t elapsed;
};

class RunAndWaitTest : public UpdateTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(RunAndWaitTest, WaitsHiddenAtMostTenMinutesAndAnswersTrue) {
    const RunCase& c = GetParam();
    fake.processes.waitsUntilExit = c.waitsUntilExit;
    EXPECT_TRUE(app.update.RunAndWait("\"C:\\T\\setup.exe\" /VERYSILENT"));
    ASSERT_EQ(fake.processes.started.size(), 1u);
    EXPECT_EQ(fake.processes.started[0].commandLine, "\"C:\\T\\setup.exe\" /VERYSILENT");
    EXPECT_TRUE(fake.processes.started[0].hidden);
    EXPECT_EQ(pump.calls, c.pumps);
    EXPECT_EQ(Elapsed(), c.elapsed);
    EXPECT_EQ(LogLines(), Lines{});
}

INSTANTIATE_TEST_SUITE_P(Programs, RunAndWaitTest,
                         ::testing::Values(RunCase{"EndsAtOnce", 0, 0, 0}, RunCase{"EndsAfterThreePolls", 3, 3, 600},
                                           RunCase{"OutlivesTheLimit", -1, 3001, 600200}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateTest, RunAndWaitOfAProgramThatCannotStartIsFalse) {
    fake.processes.startFailure = "The system cannot find the file specified.";
    EXPECT_FALSE(app.update.RunAndWait("\"C:\\T\\gone.exe\" /VERYSILENT"));
    EXPECT_EQ(LogLines(), Lines{"RunAndWait: The system cannot find the file specified."});
    EXPECT_EQ(pump.calls, 0);
}

struct OpenCase {
    std::string url;
    bool opened;
    Lines log;
};

class OpenUrlTest : public UpdateTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenUrlTest, OnlyWebAddressesReachTheBrowser) {
    const OpenCase& c = GetParam();
    app.update.OpenUrl(c.url);
    EXPECT_EQ(fake.processes.opened, c.opened ? Lines{c.url} : Lines{});
    EXPECT_EQ(LogLines(), c.log);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, OpenUrlTest,
    ::testing::Values(OpenCase{"https://tarnwick.test/clock/", true, {}}, OpenCase{"HTTPS://TARNWICK.TEST/", true, {}},
                      OpenCase{"file:///C:/Windows/notepad.exe", false,
                               {"refused non-http url: file:///C:/Windows/notepad.exe"}},
                      OpenCase{"javascript:alert(1)", false, {"refused non-http url: javascript:alert(1)"}},
                      OpenCase{"file://" + std::string(200, 'a'), false,
                               {"refused non-http url: file://" + std::string(113, 'a')}},
                      OpenCase{"ftp://\xC3\xA9" + std::string(130, 'b'), false,
                               {"refused non-http url: ftp://\xC3\xA9" + std::string(113, 'b')}}));

TEST_F(UpdateTest, ABrowserThatCannotBeStartedIsLogged) {
    fake.processes.openFailure = "No application is associated with the specified file for this operation.";
    app.update.OpenUrl("https://tarnwick.test/");
    EXPECT_EQ(LogLines(), Lines{"OpenUrl https://tarnwick.test/: No application is associated with the specified "
                                "file for this operation."});
}

}  // namespace
