// Fuzz target for the game rules and flow. The input is a sequence of key presses, button clicks
// and timer ticks, played on the real game flow the way its window delivers them; the referee of
// PlayReferee.h judges every action, and the first broken promise is printed with the game's
// fields and aborts the run.
//
// Every input byte is one action. The letters below name the actions, so that the seeds in
// corpus/ read as text; any other byte stands for the action at (byte modulo 13) in this order:
//   L  left key          R  right key           T  space: turn        D  down key: drop
//   P  up key: pause     B  start/stop button   s  start-delay tick   f  fall tick
//   n  spawn tick        g  game-over tick
//   c  sets the previewed piece from the next byte: 'a'..'y' are the 25 shape records in table
//      order, any other byte is taken modulo 25. It acts only while a game runs, where it stands
//      for the random choice, so that short inputs can build rows on purpose.
//   x  the next start of one timer fails, as the system's may: the next byte, modulo 4, chooses
//      the start delay ('0'), the fall ('1'), the spawn ('2') or the game-over timer ('3').
//   l  the player chooses a level in the list from the next byte: '1', '2' or '3', or (for any
//      other byte) no level or a value that is none.
// A tick arrives only while its timer runs.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "PlayReferee.h"

namespace {

using Action = PlayReferee::Action;

// The actions in the order of their letters; the last three take the byte after them.
constexpr char kActionLetters[] = "LRTDPBsfngcxl";
constexpr int kActionCount = sizeof(kActionLetters) - 1;
constexpr int kChoosePreview = 10;
constexpr int kRefuseTimer = 11;
constexpr int kChooseLevel = 12;

std::intptr_t DecodeLevel(std::uint8_t byte) {
    if (byte >= '1' && byte <= '3') {
        return byte - '0';
    }
    return byte % 2 == 0 ? GameFlow::NoLevel : byte;
}

int DecodeAction(std::uint8_t byte) {
    for (int i = 0; i < kActionCount; ++i) {
        if (static_cast<std::uint8_t>(kActionLetters[i]) == byte) {
            return i;
        }
    }
    return byte % kActionCount;
}

const ShapeRecord& DecodeShape(std::uint8_t byte) {
    const auto& records = BuiltShapes().Records();
    const std::size_t count = records.size();
    const bool letter = byte >= 'a' && byte < 'a' + count;
    return records[letter ? byte - 'a' : byte % count];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The pieces the rules choose themselves must be the same on every run of an input.
    std::srand(1);
    PlayReferee::Reached reached;
    PlayReferee referee(reached);
    for (std::size_t i = 0; i < size; ++i) {
        const std::size_t step = i;
        const int action = DecodeAction(data[i]);
        if (action >= kChoosePreview) {
            if (i + 1 == size) {
                break;
            }
            ++i;
            if (action == kChoosePreview) {
                referee.ChoosePreview(DecodeShape(data[i]));
            } else if (action == kRefuseTimer) {
                referee.Flow().refusedStarts.insert(GameFlow::StartDelayTimer + data[i] % 4);
            } else if (action == kChooseLevel) {
                referee.Flow().chosenLevel = DecodeLevel(data[i]);
            }
            continue;
        }
        const std::string broken = referee.Play(static_cast<Action>(action));
        if (!broken.empty()) {
            std::fprintf(stderr, "rules_fuzzer: after action %zu, %s", step, broken.c_str());
            std::abort();
        }
    }
    return 0;
}
