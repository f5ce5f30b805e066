#include "CallInjector.h"

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <numeric>

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

enum class ChoiceKind { None, Nth, Kth, FromKth, AtSite };

struct State {
    SRWLOCK lock;
    bool configured;
    ChoiceKind choice;
    int choiceFunction;
    std::uint64_t choiceNumber;
    const void* choiceSite;  // for AtSite: the call site's address in this run
    std::uint64_t failableCalls;
    std::uint64_t calls[FunctionCount];
    std::uint64_t failed[FunctionCount];
    Site sites[SiteCapacity];
    std::size_t siteCount;
    FailedCall failedCalls[FailedCallCapacity];
    std::size_t failedCallCount;
};

// Zero, and so an unlocked SRWLOCK, before any code runs.
State state{};

// Returns the row of the function whose name is the first `length` characters of `name`, or -1.
int FunctionNamed(const char* name, std::size_t length) {
    for (int index = 0; index < FunctionCount; ++index) {
        if (std::strlen(Functions[index].name) == length &&
            std::strncmp(Functions[index].name, name, length) == 0) {
            return index;
        }
    }
    return -1;
}

// Reads "Name@Module+0xOffset", whose '@' is at `at`: the call site lies `Offset` bytes into the
// image of `Module`, which must be loaded already (the program's own executable always is).
bool ChooseSiteLocked(const char* choice, const char* at) {
    const char* plus = std::strrchr(at, '+');
    char module[MAX_PATH];
    const std::size_t moduleLength = plus != nullptr ? static_cast<std::size_t>(plus - at - 1) : 0;
    if (moduleLength == 0 || moduleLength >= sizeof module || std::strncmp(plus, "+0x", 3) != 0 ||
        std::isxdigit(static_cast<unsigned char>(plus[3])) == 0) {
        return false;
    }
    char* end = nullptr;
    const auto offset = static_cast<std::uintptr_t>(std::strtoull(plus + 3, &end, 16));
    std::memcpy(module, at + 1, moduleLength);
    module[moduleLength] = '\0';
    const HMODULE base = GetModuleHandleA(module);
    const int function = FunctionNamed(choice, static_cast<std::size_t>(at - choice));
    if (*end != '\0' || base == nullptr || function < 0 || !Functions[function].canFail) {
        return false;
    }
    state.choiceFunction = function;
    state.choiceSite = reinterpret_cast<const unsigned char*>(base) + offset;
    state.choice = ChoiceKind::AtSite;
    return true;
}

bool ChooseLocked(const char* choice) {
    state.choice = ChoiceKind::None;
    if (choice == nullptr || *choice == '\0') {
        return true;
    }
    if (const char* at = std::strchr(choice, '@')) {
        return ChooseSiteLocked(choice, at);
    }
    // "N", or "Name:K" and "Name:K+": the number is positive and ends the choice, or its "+" does.
    const char* colon = std::strchr(choice, ':');
    const char* digits = colon != nullptr ? colon + 1 : choice;
    char* end = nullptr;
    const std::uint64_t number = std::strtoull(digits, &end, 10);
    const bool onward = colon != nullptr && *end == '+';
    if (end == digits || end[onward ? 1 : 0] != '\0' || number == 0) {
        return false;
    }
    state.choiceNumber = number;
    if (colon == nullptr) {
        state.choice = ChoiceKind::Nth;
        return true;
    }
    const int function = FunctionNamed(choice, static_cast<std::size_t>(colon - choice));
    if (function < 0 || !Functions[function].canFail) {
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

bool IsChosen(int function, std::uint64_t ordinal, const void* site) {
    const bool ofFunction = function == state.choiceFunction;
    return (state.choice == ChoiceKind::Nth && state.failableCalls == state.choiceNumber) ||
           (state.choice == ChoiceKind::Kth && ofFunction && ordinal == state.choiceNumber) ||
           (state.choice == ChoiceKind::FromKth && ofFunction && ordinal >= state.choiceNumber) ||
           (state.choice == ChoiceKind::AtSite && ofFunction && site == state.choiceSite);
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
    return std::accumulate(std::begin(state.failed), std::end(state.failed), std::uint64_t{0});
}

int IndexOf(const char* function) {
    return FunctionNamed(function, std::strlen(function));
}

const char* NameOf(int function) {
    return function >= 0 && function < FunctionCount ? Functions[function].name : "?";
}

bool ShouldFail(int function, const void* site) {
    const ExclusiveLock lock(state.lock);
    const std::uint64_t ordinal = CountLocked(function, site);
    ++state.failableCalls;
    if (!IsChosen(function, ordinal, site)) {
        return false;
    }
    if (state.choice == ChoiceKind::AtSite) {
        state.choice = ChoiceKind::None;  // one call from the site, the first
    }
    ++state.failed[function];
    if (state.failedCallCount < FailedCallCapacity) {
        state.failedCalls[state.failedCallCount++] = FailedCall{function, ordinal, site};
    }
    return true;
}

void Count(int function, const void* site) {
    const ExclusiveLock lock(state.lock);
    CountLocked(function, site);
}

void WriteReport(const char* path) {
    CheckedOutput::ReportFile report(path);
    const ExclusiveLock lock(state.lock);
    const auto u = [](std::uint64_t value) { return static_cast<unsigned long long>(value); };
    char place[900];
    report.Line("calls %llu", u(state.failableCalls));
    for (std::size_t i = 0; i < state.failedCallCount; ++i) {
        const FailedCall& failed = state.failedCalls[i];
        CodeAddress::Describe(failed.site, place, sizeof place, true);
        report.Line("failed %s %llu %s", Functions[failed.function].name, u(failed.ordinal), place);
    }
    for (int function = 0; function < FunctionCount; ++function) {
        report.Line("function %s %s %llu %llu", Functions[function].name,
                    Functions[function].canFail ? "fails" : "releases", u(state.calls[function]),
                    u(state.failed[function]));
    }
    for (const Site& site : state.sites) {
        if (site.address != nullptr) {
            CodeAddress::Describe(site.address, place, sizeof place, true);
            report.Line("site %s %llu %llu %s", Functions[site.function].name, u(site.firstOrdinal),
                        u(site.calls), place);
        }
    }
    ObjectTracker::WriteReport(report);
}

}  // namespace CallInjector
