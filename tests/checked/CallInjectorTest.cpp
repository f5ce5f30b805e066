// The checked build's call injector and object tracker, in this test's own process (whose calls
// are routed like the program's): how a choice is read, which call fails and how, what is
// counted, what the tracker refuses, and that the runtime's own calls are left alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>

#include "CallInjector.h"
#include "ExitChecks.h"
#include "ObjectTracker.h"
#include "GameProcess.h"
#include "TestFiles.h"

namespace {

// Fails the next call of `function`, or every call from the next on.
void FailNextCallOf(const char* function, bool onward = false) {
    const std::string choice = std::string(function) + ":" +
                               std::to_string(CallInjector::CallsOf(function) + 1) +
                               (onward ? "+" : "");
    ASSERT_TRUE(CallInjector::Choose(choice.c_str())) << choice;
}

// Two places in this test's code that make a pen and delete it; each says whether it made one.
__attribute__((noinline)) bool PenFromFirstPlace() {
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    DeleteObject(pen);
    return pen != nullptr;
}
__attribute__((noinline)) bool PenFromSecondPlace() {
    HPEN pen = CreatePen(PS_SOLID, 2, 0);
    DeleteObject(pen);
    return pen != nullptr;
}

// Returns where the report says `caller` calls `function`, in the form a choice names it
// ("checked_build_tests.exe+0x1234"), or an empty string.
std::string SiteInReport(const std::string& function, const std::string& caller) {
    const TemporaryFile report;
    CallInjector::WriteReport(Utf8(report.Path().Text()).c_str());
    std::istringstream lines(ReadText(report.Path()));
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, function.size() + 6, "site " + function + " ") == 0 &&
            line.find(caller) != std::string::npos) {
            const std::string place = line.substr(line.find(" in ") + 4);
            const std::string address = place.substr(0, place.find(" ("));
            return address.substr(address.rfind('\\') + 1);
        }
    }
    return "";
}

// Chooses no failure again when a test ends, however it ends.
class CallInjectorTest : public testing::Test {
  protected:
    void TearDown() override { CallInjector::Choose(""); }
};

TEST_F(CallInjectorTest, ReadsEveryFormOfChoiceAndRefusesTheRest) {
    for (const char* good : {"", "17", "CreatePen:3", "CreatePen:3+", "GdipDrawImageRectRectI:1",
                             "CreatePen@kernel32.dll+0x10a0"}) {
        EXPECT_TRUE(CallInjector::Choose(good)) << good;
    }
    // Releases are never failed; a count starts at 1; a name must be in the table; a site's
    // module must be loaded and its offset written in hexadecimal.
    for (const char* bad :
         {"0", "x", "12x", "CreatePen:", "CreatePen:0", "CreatePen:2++", "NoSuchFunction:1",
          "DeleteObject:1", ":3", "CreatePen@", "CreatePen@kernel32.dll", "CreatePen@+0x10",
          "CreatePen@kernel32.dll+16", "CreatePen@kernel32.dll+0x", "CreatePen@kernel32.dll+0x10g",
          "CreatePen@no_such_module.dll+0x10", "DeleteObject@kernel32.dll+0x10",
          "@kernel32.dll+0x10"}) {
        EXPECT_FALSE(CallInjector::Choose(bad)) << bad;
    }
    // A choice that cannot be read fails nothing.
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    EXPECT_NE(pen, nullptr);
    DeleteObject(pen);
}

TEST_F(CallInjectorTest, FailsTheChosenCallOfAFunctionWithItsFailureValueAndLastError) {
    FailNextCallOf("CreatePen");
    SetLastError(0);
    EXPECT_EQ(CreatePen(PS_SOLID, 1, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    HPEN next = CreatePen(PS_SOLID, 1, 0);
    EXPECT_NE(next, nullptr) << "only the chosen call fails";
    DeleteObject(next);
}

TEST_F(CallInjectorTest, FailsAFunctionFromTheChosenCallOn) {
    FailNextCallOf("GetStockObject", true);
    const std::uint64_t failedBefore = CallInjector::FailedCalls();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(GetStockObject(WHITE_BRUSH), nullptr);
    }
    EXPECT_EQ(CallInjector::FailedCalls(), failedBefore + 3);
    CallInjector::Choose("");
    EXPECT_NE(GetStockObject(WHITE_BRUSH), nullptr);
}

// A site is named as the reports name it; only the first call from it fails, whatever the calls
// of the same function elsewhere.
TEST_F(CallInjectorTest, FailsTheFirstCallFromTheChosenCallSite) {
    ASSERT_TRUE(PenFromFirstPlace());
    ASSERT_TRUE(PenFromSecondPlace());
    const std::string site = SiteInReport("CreatePen", "PenFromFirstPlace");
    ASSERT_NE(site, "") << "the report names no call site in PenFromFirstPlace";
    ASSERT_NE(site, SiteInReport("CreatePen", "PenFromSecondPlace"));
    ASSERT_TRUE(CallInjector::Choose(("GetStockObject@" + site).c_str())) << site;
    EXPECT_TRUE(PenFromFirstPlace()) << "another function's site";
    ASSERT_TRUE(CallInjector::Choose(("CreatePen@" + site).c_str())) << site;
    EXPECT_TRUE(PenFromSecondPlace()) << "another call site";
    EXPECT_FALSE(PenFromFirstPlace());
    EXPECT_TRUE(PenFromFirstPlace()) << "only the first call from the site fails";
}

TEST_F(CallInjectorTest, FailsTheNthCallOfTheRunWhateverTheFunction) {
    const std::string choice = std::to_string(CallInjector::FailableCalls() + 2);
    ASSERT_TRUE(CallInjector::Choose(choice.c_str()));
    EXPECT_NE(GetStockObject(WHITE_BRUSH), nullptr);
    SetLastError(0);
    EXPECT_EQ(GetFileAttributesW(L"C:\\"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(GetFileAttributesW(L"C:\\"), INVALID_FILE_ATTRIBUTES);
}

// One function of each library and kind of failure value.
TEST_F(CallInjectorTest, EachLibraryAnswersWithItsDocumentedFailure) {
    FailNextCallOf("SetTimer");
    EXPECT_EQ(SetTimer(nullptr, 0, 10, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SYSTEM_RESOURCES));

    MSG message;
    FailNextCallOf("GetMessageW");
    EXPECT_EQ(GetMessageW(&message, nullptr, 0, 0), -1);

    FailNextCallOf("WaitForSingleObject");
    EXPECT_EQ(WaitForSingleObject(GetCurrentProcess(), 0), WAIT_FAILED);

    IStream* stream = nullptr;
    FailNextCallOf("CreateStreamOnHGlobal");
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), E_OUTOFMEMORY);
    EXPECT_EQ(stream, nullptr);

    UINT width = 7;
    FailNextCallOf("GdipGetImageWidth");
    EXPECT_EQ(Gdiplus::DllExports::GdipGetImageWidth(nullptr, &width), Gdiplus::GenericError);
    EXPECT_EQ(width, 7u) << "a failed call does not reach the function";

    void* value = nullptr;
    UINT length = 0;
    FailNextCallOf("VerQueryValueW");
    EXPECT_FALSE(VerQueryValueW(&width, L"\\", &value, &length));

    TRACKMOUSEEVENT request = {sizeof request, TME_LEAVE, nullptr, 0};
    FailNextCallOf("_TrackMouseEvent");
    EXPECT_FALSE(_TrackMouseEvent(&request));
}

TEST_F(CallInjectorTest, TracksWhatIsMadeUntilItIsReleased) {
    const std::size_t before = ObjectTracker::Unreleased();
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 16);
    EXPECT_EQ(ObjectTracker::Unreleased(), before + 3);
    DeleteObject(pen);
    GlobalFree(memory);
    DeleteDC(dc);
    EXPECT_EQ(ObjectTracker::Unreleased(), before);
    // A failed call makes nothing.
    FailNextCallOf("CreatePen");
    EXPECT_EQ(CreatePen(PS_SOLID, 1, 0), nullptr);
    EXPECT_EQ(ObjectTracker::Unreleased(), before);
}

// Windows refuses to delete a pen that is selected into a device context; Wine does not.
TEST_F(CallInjectorTest, RefusesToDeleteAnObjectStillSelected) {
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    HGDIOBJ original = SelectObject(dc, pen);
    const std::size_t refused = ObjectTracker::RefusedDeletes();
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(ObjectTracker::RefusedDeletes(), refused + 1);
    SelectObject(dc, original);
    EXPECT_TRUE(DeleteObject(pen));
    // A device context deleted takes its selections with it.
    HPEN second = CreatePen(PS_SOLID, 2, 0);
    SelectObject(dc, second);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(second));
    EXPECT_EQ(ObjectTracker::RefusedDeletes(), refused + 1);
}

// The runtime's own calls are compiled without the renaming: joining a thread waits in
// winpthreads, which neither counts nor fails.
TEST_F(CallInjectorTest, LeavesTheRuntimesOwnCallsAlone) {
    const std::uint64_t waits = CallInjector::CallsOf("WaitForSingleObject");
    FailNextCallOf("WaitForSingleObject", true);
    bool ran = false;
    std::thread worker([&] { ran = true; });
    worker.join();
    EXPECT_TRUE(ran);
    EXPECT_EQ(CallInjector::CallsOf("WaitForSingleObject"), waits);
}

// The probe leaves a pen made and never deleted, or deleted while selected: each is listed at
// exit, and the process ends with the leak's status; the report names the calls and sites.
TEST(CallInjectorProbe, ObjectsLeftAtExitAreListedAndReported) {
    TemporaryFile report;
    std::string output;
    const DWORD status = RunSiblingProgram(L"checked_call_probe.exe", L"pen-never-deleted", output,
                                           {{L"KV_CALL_REPORT", report.Path().Text()}});
    EXPECT_EQ(status, ExitChecks::LeakExitStatus) << output;
    EXPECT_NE(output.find("checked calls: not released at exit: a pen from CreatePen, made at "),
              std::string::npos)
        << output;
    const std::string text = ReadText(report.Path());
    EXPECT_NE(text.find("\nfunction CreatePen fails 1 0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nsite CreatePen 1 1 0x"), std::string::npos) << text;
    EXPECT_NE(text.find("checked_call_probe.exe+0x"), std::string::npos) << text;
    EXPECT_NE(text.find("\nunreleased a pen from CreatePen"), std::string::npos) << text;

    EXPECT_EQ(RunSiblingProgram(L"checked_call_probe.exe", L"pen-deleted-while-selected", output),
              ExitChecks::LeakExitStatus)
        << output;
    EXPECT_NE(output.find("checked calls: DeleteObject of an object still selected"),
              std::string::npos)
        << output;
    EXPECT_EQ(RunSiblingProgram(L"checked_call_probe.exe", L"pen-deleted", output), 0u) << output;
    EXPECT_EQ(output, "survived\n");
}

TEST(CallInjectorProbe, TheEnvironmentChoosesTheCallThatFails) {
    TemporaryFile report;
    std::string output;
    const DWORD status = RunSiblingProgram(
        L"checked_call_probe.exe", L"three-pens", output,
        {{L"KV_FAIL_CALL", L"CreatePen:2"}, {L"KV_CALL_REPORT", report.Path().Text()}});
    EXPECT_EQ(status, 0u) << output;
    EXPECT_EQ(output, "made failed made survived\n");
    const std::string text = ReadText(report.Path());
    EXPECT_NE(text.find("\nfailed CreatePen 2 0x"), std::string::npos) << text;
    EXPECT_NE(text.find("\nfunction CreatePen fails 3 1\n"), std::string::npos) << text;
}

}  // namespace
