#include "CallInjector.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <iterator>

#include "CheckedOutput.h"
#include "CodeAddress.h"
#include "ExclusiveLock.h"
#include "ObjectTracker.h"

// All state lives in static storage, zero before any code runs: the first routed calls come from
// static constructors (the images that start GDI+), and the instruments use no heap of their own.
namespace CallInjector {
namespace {

struct Function {
    const char* name;
    bool canFail;
};

constexpr Function Functions[] = {
#define KV_FAILING(name, ...) {#name, true},
#define KV_PASSING(name, ...) {#name, false},
#include "RoutedCallTable.h"
#undef KV_FAILING
#undef KV_PASSING
};
constexpr int FunctionCount = static_cast<int>(std::size(Functions));

// One place in the program's code that calls one function.
struct Site {
    const void* address;
    int function;
    std::uint64_t calls;
    std::uint64_t firstOrdinal;  // which call of the function came first from here
};

// Open addressing over a power of two; the program has a few hundred sites.
constexpr std::size_t SiteCapacity = 8192;

struct FailedCall {
    int function;
    std::uint64_t ordinal;
    const void* site;
};
constexpr std::size_t FailedCallCapacity = 64;

enum class ChoiceKind { None, Nth, Kth, FromKth };

struct State {
    SRWLOCK lock;
    bool configured;
    ChoiceKind choice;
    int choiceFunction;
    std::uint64_t choiceNumber;
    std::uint64_t failableCalls;
    std::uint64_t calls[FunctionCount];
    std::uint64_t failed[FunctionCount];
    Site sites[SiteCapacity];
    std::size_t siteCount;
    FailedCall failedCalls[FailedCallCapacity];
    std::size_t failedCallCount;
    std::uint64_t failedTotal;
};

// Zero, and so an unlocked SRWLOCK, before any code runs.
State state{};

// Reads a positive decimal number that makes up the whole of `text`.
bool ReadNumber(const char* text, std::uint64_t& number) {
    char* end = nullptr;
    number = std::strtoull(text, &end, 10);
    return end != text && *end == '\0' && number > 0;
}

bool ChooseLocked(const char* choice) {
    state.choice = ChoiceKind::None;
    if (choice == nullptr || *choice == '\0') {
        return true;
    }
    const char* colon = std::strchr(choice, ':');
    if (colon == nullptr) {
        if (!ReadNumber(choice, state.choiceNumber)) {
            return false;
        }
        state.choice = ChoiceKind::Nth;
        return true;
    }
    char name[64];
    const std::size_t nameLength = static_cast<std::size_t>(colon - choice);
    if (nameLength == 0 || nameLength >= sizeof name) {
        return false;
    }
    std::memcpy(name, choice, nameLength);
    name[nameLength] = '\0';
    char number[24];
    std::size_t numberLength = std::strlen(colon + 1);
    const bool onward = numberLength > 0 && colon[numberLength] == '+';
    numberLength -= onward ? 1 : 0;
    if (numberLength == 0 || numberLength >= sizeof number) {
        return false;
    }
    std::memcpy(number, colon + 1, numberLength);
    number[numberLength] = '\0';
    const int function = IndexOf(name);
    if (function < 0 || !Functions[function].canFail || !ReadNumber(number, state.choiceNumber)) {
        return false;
    }
    state.choiceFunction = function;
    state.choice = onward ? ChoiceKind::FromKth : ChoiceKind::Kth;
    return true;
}

void ConfigureOnce() {
    if (state.configured) {
        return;
    }
    state.configured = true;
    char choice[96];
    if (CheckedOutput::ReadVariable(ChoiceVariable, choice, sizeof choice) &&
        !ChooseLocked(choice)) {
        CheckedOutput::WriteErrorLine("checked calls: cannot read KV_FAIL_CALL=", choice);
    }
}

// Counts a call at its site; returns which call of its function it is.
std::uint64_t CountLocked(int function, const void* address) {
    ConfigureOnce();
    const std::uint64_t ordinal = ++state.calls[function];
    std::size_t slot =
        (reinterpret_cast<std::uintptr_t>(address) * 2654435761u + function) & (SiteCapacity - 1);
    for (std::size_t probes = 0; probes < SiteCapacity; ++probes) {
        Site& site = state.sites[slot];
        if (site.address == nullptr && state.siteCount < SiteCapacity - 1) {
            site = Site{address, function, 1, ordinal};
            ++state.siteCount;
            return ordinal;
        }
        if (site.address == address && site.function == function) {
            ++site.calls;
            return ordinal;
        }
        slot = (slot + 1) & (SiteCapacity - 1);
    }
    return ordinal;
}

bool IsChosen(int function, std::uint64_t ordinal) {
    switch (state.choice) {
        case ChoiceKind::Nth:
            return state.failableCalls == state.choiceNumber;
        case ChoiceKind::Kth:
            return function == state.choiceFunction && ordinal == state.choiceNumber;
        case ChoiceKind::FromKth:
            return function == state.choiceFunction && ordinal >= state.choiceNumber;
        case ChoiceKind::None:
            break;
    }
    return false;
}

}  // namespace

bool Choose(const char* choice) {
    const ExclusiveLock lock(state.lock);
    state.configured = true;
    return ChooseLocked(choice);
}

std::uint64_t FailableCalls() {
    const ExclusiveLock lock(state.lock);
    return state.failableCalls;
}

std::uint64_t CallsOf(const char* function) {
    const int index = IndexOf(function);
    const ExclusiveLock lock(state.lock);
    return index < 0 ? 0 : state.calls[index];
}

std::uint64_t FailedCalls() {
    const ExclusiveLock lock(state.lock);
    return state.failedTotal;
}

int IndexOf(const char* function) {
    for (int index = 0; index < FunctionCount; ++index) {
        if (std::strcmp(Functions[index].name, function) == 0) {
            return index;
        }
    }
    return -1;
}

const char* NameOf(int function) {
    return function >= 0 && function < FunctionCount ? Functions[function].name : "?";
}

bool ShouldFail(int function, const void* site) {
    const ExclusiveLock lock(state.lock);
    const std::uint64_t ordinal = CountLocked(function, site);
    ++state.failableCalls;
    if (!IsChosen(function, ordinal)) {
        return false;
    }
    ++state.failed[function];
    ++state.failedTotal;
    if (state.failedCallCount < FailedCallCapacity) {
        state.failedCalls[state.failedCallCount++] = FailedCall{function, ordinal, site};
    }
    return true;
}

void Count(int function, const void* site) {
    const ExclusiveLock lock(state.lock);
    CountLocked(function, site);
}

bool WriteReport(const char* path) {
    CheckedOutput::ReportFile report(path);
    if (!report.IsOpen()) {
        return false;
    }
    const ExclusiveLock lock(state.lock);
    char place[900];
    report.Line("calls %llu", static_cast<unsigned long long>(state.failableCalls));
    for (std::size_t i = 0; i < state.failedCallCount; ++i) {
        const FailedCall& failed = state.failedCalls[i];
        CodeAddress::Describe(failed.site, place, sizeof place, true);
        report.Line("failed %s %llu %s", Functions[failed.function].name,
                    static_cast<unsigned long long>(failed.ordinal), place);
    }
    for (int function = 0; function < FunctionCount; ++function) {
        report.Line("function %s %s %llu %llu", Functions[function].name,
                    Functions[function].canFail ? "fails" : "releases",
                    static_cast<unsigned long long>(state.calls[function]),
                    static_cast<unsigned long long>(state.failed[function]));
    }
    for (const Site& site : state.sites) {
        if (site.address == nullptr) {
            continue;
        }
        CodeAddress::Describe(site.address, place, sizeof place, true);
        report.Line("site %s %llu %llu %s", Functions[site.function].name,
                    static_cast<unsigned long long>(site.firstOrdinal),
                    static_cast<unsigned long long>(site.calls), place);
    }
    ObjectTracker::WriteReport(report);
    return true;
}

}  // namespace CallInjector
