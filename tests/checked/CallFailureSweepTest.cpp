// The failing-call sweep of the real checked game. A clean run counts the routed Windows calls of
// a session (start-up, first paint, a game started on the game's own timers and played to its
// end, a pause and resume, a resize that regrows the back buffer, a second game stopped with the
// button, close); then the game runs again and again with one call failing: the first call from
// every call site, named by its place in the executable (late in a session the ordinal of a call
// depends on how many timer and paint messages came), every function from its first call on, and
// an even sample of the rest. Judge says what every run must show.
//   KV_CALL_SWEEP=all           fails every call of the session in turn, one per run
//   KV_CALL_SWEEP=CHOICE,...    runs only these values of KV_FAIL_CALL, to replay a failure
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "GameDriver.h"
#include "GameProcess.h"
#include "Polling.h"
#include "WindowProbe.h"

namespace {

constexpr int DropsToFillTheWell = 40;
// Limits that catch a hang, never a speed: the machine may be busy with many other tests.
constexpr DWORD WindowLimit = 20000;
constexpr DWORD QueueLimit = 10000;
constexpr DWORD TimerLimit = 20000;
constexpr DWORD ExitLimit = 15000;
// Sessions played side by side: each spends most of its time waiting for its game.
constexpr int Workers = 3;
constexpr int StartAttempts = 3;
constexpr LRESULT LeastPaintedShare = 50;
// Runs when KV_CALL_SWEEP does not ask for all: about two minutes here.
constexpr std::size_t DefaultRuns = 240;

// What one run of the game came to.
struct SweepRun {
    std::string choice;      // the value of KV_FAIL_CALL
    std::string function;    // the function that the choice names, or that the report says failed
    bool exhausted = false;  // the function fails from a call on, for good
    bool windowShown = false;
    bool windowRead = false;  // its title and place were read while the game still ran
    bool controls = false;    // the list and the button were there
    bool played = false;      // a game started and ended by itself with the well full
    bool stopped = true;      // the button stopped a second game, or none could start
    bool onWorkArea = true;
    LRESULT paintedShare = -1;  // -1: not measured
    std::wstring title;
    long exitCode = -1;
    std::string signs;
    std::string output;
    std::string report;  // the call injector's report, written at the game's exit
    std::vector<std::string> problems;
};

// Presses the button and waits until a game runs, on the game's own start-delay tick or on one
// sent from here; returns whether a game runs then. A start that the game refused leaves it
// idle, and is tried again. The list is left without a selection first: the tick that begins
// play selects the first level, and so shows from outside that it came.
bool StartAGame(const GameProcess& game, const GameWindows& windows, GameDriver& driver,
                bool ownTick) {
    for (int attempt = 0; attempt < StartAttempts && game.IsRunning(); ++attempt) {
        SendMessageW(windows.comboBox, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        driver.ClickButton();
        if (!ownTick) {
            driver.Tick(GameFlow::StartDelayTimer);
        }
        driver.Settle(QueueLimit);
        const bool began = PollUntil(
            [&] {
                return !driver.InGame() || SendMessageW(windows.comboBox, CB_GETCURSEL, 0, 0) == 0;
            },
            TimerLimit);
        if (began && driver.InGame()) {
            return true;
        }
    }
    return false;
}

// Pauses the game, paints it paused, as only then is the status line drawn in its own colour,
// and resumes it; then drops pieces where they enter until the well is full and the game is lost.
// The lost game returns to idle on the game's own game-over tick.
bool PlayToTheEnd(const GameProcess& game, const GameWindows& windows, GameDriver& driver) {
    driver.PressKey(VK_UP);
    driver.Settle(QueueLimit);
    UpdateWindow(windows.main);
    driver.PressKey(VK_UP);
    for (int drop = 0; drop < DropsToFillTheWell; ++drop) {
        driver.PlayPiece({static_cast<UINT>(drop % 3 == 0 ? VK_SPACE : VK_DOWN)});
    }
    driver.Settle(QueueLimit);
    return game.IsRunning() && PollUntil([&] { return !driver.InGame(); }, TimerLimit);
}

bool OnWorkArea(HWND window) {
    RECT rect = {};
    RECT area = {};
    GetWindowRect(window, &rect);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return rect.left >= area.left && rect.top >= area.top && rect.right <= area.right &&
           rect.bottom <= area.bottom && rect.right > rect.left && rect.bottom > rect.top;
}

// Makes the window larger, so that its back buffer must grow, repaints all of it and asks the
// window how much of it is painted.
LRESULT ResizeAndMeasure(const GameWindows& windows, GameDriver& driver) {
    RECT rect = {};
    GetWindowRect(windows.main, &rect);
    SetWindowPos(windows.main, nullptr, rect.left, rect.top, 700, 700,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    driver.Settle(QueueLimit);
    InvalidateRect(windows.main, nullptr, FALSE);
    UpdateWindow(windows.main);
    DWORD_PTR share = 0;
    static const UINT probe = RegisterWindowMessageW(WindowProbe::ProbeMessageName);
    if (SendMessageTimeoutW(windows.main, probe, 0, 0, SMTO_ABORTIFHUNG, QueueLimit, &share) == 0) {
        return -1;
    }
    return static_cast<LRESULT>(share);
}

// Plays the session with `choice` failing, and judges what it shows.
SweepRun PlaySession(const std::string& choice) {
    SweepRun run;
    run.choice = choice;
    const TemporaryFile report;
    {
        const GameProcess::Environment environment = {
            {L"KV_FAIL_CALL", std::wstring(choice.begin(), choice.end())},
            {L"KV_CALL_REPORT", report.Path().Text()},
            {L"KV_WINDOW_PROBE", L"1"},
        };
        GameProcess game(KV_GAME_PROGRAM, true, environment);
        const GameWindows windows = game.WaitForWindows(WindowLimit, false);
        run.windowShown = windows.main != nullptr;
        run.controls = windows.comboBox != nullptr && windows.button != nullptr;
        GameDriver driver(windows);
        if (run.windowShown) {
            run.title = WindowText(windows.main);
            run.onWorkArea = OnWorkArea(windows.main);
            // A window read while its program ends (a message loop that failed at once) shows
            // neither its title nor its place any more.
            run.windowRead = game.IsRunning() && IsWindow(windows.main);
        }
        if (run.controls && game.IsRunning()) {
            run.played =
                StartAGame(game, windows, driver, true) && PlayToTheEnd(game, windows, driver);
        }
        if (run.windowShown && game.IsRunning()) {
            run.paintedShare = ResizeAndMeasure(windows, driver);
        }
        if (run.controls && game.IsRunning() && StartAGame(game, windows, driver, false)) {
            driver.ClickButton();
            driver.Settle(QueueLimit);
            // A game whose loop ended (a failed GetMessageW) has nothing left to stop; its windows
            // go, the list among the first, some time before its process has ended.
            run.stopped = !game.IsRunning() || !driver.InGame() ||
                          (!IsWindow(windows.comboBox) && game.WaitForExit(ExitLimit) != -1);
        }
        if (run.windowShown && game.IsRunning()) {
            PostMessageW(windows.main, WM_CLOSE, 0, 0);
        }
        run.exitCode = game.WaitForExit(run.windowShown ? ExitLimit : WindowLimit);
        run.signs = game.FaultSigns();
        run.output = game.Output();
    }
    run.report = ReadText(report.Path());
    return run;
}

// The lines of a report that begin with `key` and a space, without them.
std::vector<std::string> ReportLines(const std::string& report, const std::string& key) {
    std::vector<std::string> lines;
    std::istringstream input(report);
    std::string line;
    while (std::getline(input, line)) {
        if (line.compare(0, key.size() + 1, key + " ") == 0) {
            lines.push_back(line.substr(key.size() + 1));
        }
    }
    return lines;
}

const std::wstring FullTitle = GameTitle();
// Without the product name the title keeps its version part.
const std::wstring TitleWithoutName = FullTitle.substr(FullTitle.find(L' '));

// The titles that a failure of `function` allows: without a version record, or its
// translation, the title is empty; without the product name, the name is missing.
bool TitleAllowed(const std::string& function, const std::wstring& title) {
    static const std::set<std::string> noRecord = {"GetFileVersionInfoSizeW", "GetFileVersionInfoW",
                                                   "GetFileAttributesW", "GetModuleFileNameW"};
    if (noRecord.count(function) != 0) {
        return title.empty();
    }
    if (function == "VerQueryValueW") {
        return title.empty() || title == TitleWithoutName || title == FullTitle;
    }
    if (function == "SetWindowTextW" || function == "GetModuleHandleW") {
        return title.empty() || title == FullTitle;
    }
    return title == FullTitle;
}

// Fills `run.problems` with everything the run shows that it must not.
void Judge(SweepRun& run) {
    run.exhausted = !run.choice.empty() && run.choice.back() == '+';
    const std::vector<std::string> failed = ReportLines(run.report, "failed");
    if (!failed.empty()) {
        run.function = failed.front().substr(0, failed.front().find(' '));
    } else if (run.choice.find_first_of(":@") != std::string::npos) {
        // A run that ended without its report failed the function it was asked to.
        run.function = run.choice.substr(0, run.choice.find_first_of(":@"));
    }
    auto problem = [&](const std::string& text) { run.problems.push_back(text); };
    if (run.exitCode != 0 && run.exitCode != 1) {
        problem("exit status " + std::to_string(run.exitCode) + " (-1: it did not end by itself)");
    }
    if (!run.signs.empty()) {
        problem("signs of a fault: " + run.signs);
    }
    if (run.exitCode == 0 && !run.windowShown) {
        problem("status 0 without a window");
    }
    if (run.exitCode != -1 && run.report.empty()) {
        problem("no call report: the game did not pass through its own exit");
    }
    if (!run.windowShown) {
        return;
    }
    if (run.windowRead && !run.onWorkArea) {
        problem("the window is not on the work area");
    }
    if (run.windowRead && !TitleAllowed(run.function, run.title)) {
        problem("title \"" + Utf8(run.title) + "\"");
    }
    if (!run.stopped) {
        problem("the button did not stop a running game");
    }
    // A single failed call may cost one start or one paint, not the game or the picture.
    if (!run.exhausted && run.controls && run.exitCode == 0) {
        if (!run.played) {
            problem("no game was played to its end");
        }
        if (run.paintedShare >= 0 && run.paintedShare < LeastPaintedShare) {
            problem("the window is " + std::to_string(100 - run.paintedShare) +
                    " % black after a repaint");
        }
    }
}

// A run of the clean session's report: the calls, and where each function is called from.
struct Session {
    unsigned long long calls = 0;
    std::map<std::string, unsigned long long> callsOf;  // failable functions
    std::vector<std::string> siteChoices;  // "Name@kvblocks.exe+0x1234" for each call site
    std::set<std::string> places;  // the call sites of failable functions, as reports name them
};

// The choice that fails the first call of `function` at `place`, which a report names as
// "Z:\...\kvblocks.exe+0x1234 (KvMainWnd::OnPaint()+0x1c)".
std::string SiteChoice(const std::string& function, const std::string& place) {
    const std::string address = place.substr(0, place.find(" ("));
    return function + "@" + address.substr(address.rfind('\\') + 1);
}

Session ReadSession(const std::string& report) {
    Session session;
    for (const std::string& line : ReportLines(report, "calls")) {
        session.calls = std::stoull(line);
    }
    for (const std::string& line : ReportLines(report, "function")) {
        std::istringstream fields(line);
        std::string name, kind;
        unsigned long long calls = 0;
        fields >> name >> kind >> calls;
        if (kind == "fails") {
            session.callsOf[name] = calls;
        }
    }
    for (const std::string& line : ReportLines(report, "site")) {
        const std::string name = line.substr(0, line.find(' '));
        if (session.callsOf.count(name) != 0) {
            const std::string place = line.substr(line.find(" in ") + 4);
            session.siteChoices.push_back(SiteChoice(name, place));
            session.places.insert(place);
        }
    }
    return session;
}

// The choices of the sweep: each call site once, each function from its first call on, and an
// even sample of the session's calls with what the budget leaves.
std::vector<std::string> Choices(const Session& session, bool all) {
    std::vector<std::string> choices;
    std::set<std::string> seen;
    auto add = [&](const std::string& choice) {
        if (seen.insert(choice).second) {
            choices.push_back(choice);
        }
    };
    for (const std::string& site : session.siteChoices) {
        add(site);
    }
    for (const auto& [name, calls] : session.callsOf) {
        if (calls > 0) {
            add(name + ":1+");
        }
    }
    const std::size_t left =
        all ? session.calls : (choices.size() < DefaultRuns ? DefaultRuns - choices.size() : 0);
    for (std::size_t i = 1; i <= left && session.calls > 0; ++i) {
        add(std::to_string(std::max<unsigned long long>(1, i * session.calls / left)));
    }
    return choices;
}

}  // namespace

// Every paint from the third on fails to begin. Such a paint used to leave the window invalid, so
// that WM_PAINT, which the queue hands out before any WM_TIMER, came again at once for good: no
// timer of the game ever ticked. Here the game runs on its own timers alone: fall, spawn and
// game-over ticks fill the well and end the game, and a second one starts on the start delay's
// tick and stops at the button.
TEST(CallFailureSweepTest, TheGamesOwnTimersTickWhilePaintsCannotBegin) {
    constexpr LRESULT HardLevel = 2;
    GameProcess game(KV_GAME_PROGRAM, true, {{L"KV_FAIL_CALL", L"BeginPaint:3+"}});
    const GameWindows windows = game.WaitForWindows(WindowLimit);
    ASSERT_NE(windows.main, nullptr) << game.Output();
    GameDriver driver(windows);

    SendMessageW(windows.comboBox, CB_SETCURSEL, HardLevel, 0);
    driver.ClickButton();
    ASSERT_TRUE(driver.Settle(QueueLimit));
    ASSERT_TRUE(driver.InGame());
    const DWORD began = GetTickCount();
    const bool lost = PollUntil(
        [&] {
            driver.PressKey(VK_DOWN);
            return !driver.InGame();
        },
        3 * TimerLimit);
    std::printf("waited %lu ms for the game to be lost\n", GetTickCount() - began);
    ASSERT_TRUE(lost) << "no game-over within " << 3 * TimerLimit << " ms";

    StartAGame(game, windows, driver, true);
    EXPECT_EQ(SendMessageW(windows.comboBox, CB_GETCURSEL, 0, 0), 0)
        << "the start delay's tick did not come";
    driver.ClickButton();
    driver.Settle(QueueLimit);
    EXPECT_FALSE(driver.InGame());

    PostMessageW(windows.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(game.WaitForExit(ExitLimit), 0);
    EXPECT_EQ(game.FaultSigns(), "") << game.Output();
}

TEST(CallFailureSweepTest, EveryFailedCallLeavesTheGameWhole) {
    SweepRun clean = PlaySession("");
    Judge(clean);
    ASSERT_TRUE(clean.problems.empty()) << clean.problems.front() << "\n" << clean.output;
    ASSERT_TRUE(clean.played);
    const Session session = ReadSession(clean.report);
    ASSERT_GT(session.calls, 0u) << "no call report: is this the checked build?";
    const char* sweep = std::getenv("KV_CALL_SWEEP");
    const std::string asked = sweep != nullptr ? sweep : "";
    const bool wholeSweep = asked.empty() || asked == "all";
    std::vector<std::string> choices;
    if (wholeSweep) {
        choices = Choices(session, asked == "all");
    } else {
        std::istringstream list(asked);
        for (std::string choice; std::getline(list, choice, ',');) {
            choices.push_back(choice);
        }
    }
    std::printf(
        "one session makes %llu calls that can fail, to %zu functions from %zu call "
        "sites; %zu runs\n",
        session.calls, session.callsOf.size(), session.siteChoices.size(), choices.size());

    // Each run is judged as soon as it ends, and a run with problems is named at once: a long
    // sweep shows what it finds as it goes.
    std::vector<SweepRun> runs(choices.size());
    std::atomic<std::size_t> next{0};
    std::mutex printing;
    std::vector<std::thread> workers;
    for (int worker = 0; worker < Workers; ++worker) {
        workers.emplace_back([&] {
            for (std::size_t i = next++; i < choices.size(); i = next++) {
                runs[i] = PlaySession(choices[i]);
                Judge(runs[i]);
                if (!runs[i].problems.empty()) {
                    const std::lock_guard<std::mutex> lock(printing);
                    std::printf("KV_FAIL_CALL=%s: %s\n", choices[i].c_str(),
                                runs[i].problems.front().c_str());
                    std::fflush(stdout);
                }
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }

    std::map<std::string, std::map<long, int>> statuses;  // runs per exit status, per function
    std::set<std::string> faulty;
    std::set<std::string> sitesFailed;
    for (const SweepRun& run : runs) {
        const std::string function = run.function.empty() ? "(none failed)" : run.function;
        ++statuses[function][run.exitCode];
        for (const std::string& line : ReportLines(run.report, "failed")) {
            sitesFailed.insert(line.substr(line.find(" in ") + 4));
        }
        for (const std::string& problem : run.problems) {
            faulty.insert(function);
            ADD_FAILURE() << "KV_FAIL_CALL=" << run.choice << " (" << function << "): " << problem
                          << "\n"
                          << run.output;
        }
    }

    std::printf("%-26s %7s %5s  %s\n", "function", "calls", "runs", "exit statuses");
    for (const auto& [name, calls] : session.callsOf) {
        std::string text;
        int runsOf = 0;
        for (const auto& [status, count] : statuses[name]) {
            text += " " + std::to_string(count) + "x" + std::to_string(status);
            runsOf += count;
        }
        std::printf("%-26s %7llu %5d %s%s\n", name.c_str(), calls, runsOf, text.c_str(),
                    faulty.count(name) != 0 ? "  FAULTS" : "");
    }
    std::size_t sitesMissed = 0;
    for (const std::string& place : session.places) {
        if (sitesFailed.count(place) == 0) {
            ++sitesMissed;
            if (wholeSweep) {
                ADD_FAILURE() << "no run failed the call site " << place;
            }
        }
    }
    std::printf("%zu of the session's %zu call sites failed at least once\n",
                session.places.size() - sitesMissed, session.places.size());
}
