// Ends in one named way so that a test can see which of its lines the coverage build counted:
//   coverage_probe exit|leak|fault|double-delete
// A line whose comment says "counted:" must be counted in the ways it names; the test reads
// those comments.
#include <cstdio>
#include <cstring>

#include "ProbeCases.h"

namespace {

// Destroyed after the entry function returns, as every object of static storage duration is.
class StaticObject {
  public:
    ~StaticObject() {
        std::printf("static object destroyed\n");  // counted: exit leak
    }
};

StaticObject staticObject;

}  // namespace

int main(int argc, char** argv) {
    const char* way = argc > 1 ? argv[1] : "";
    if (std::strcmp(way, "leak") == 0) {
        static_cast<void>(Hide(new int(1)));  // counted: leak
    } else if (std::strcmp(way, "fault") == 0) {
        std::printf("writing through null\n");  // counted: fault
        *Hide(static_cast<volatile int*>(nullptr)) = 1;
    } else if (std::strcmp(way, "double-delete") == 0) {
        int* block = Hide(new int(2));
        delete block;  // counted: double-delete
        delete Hide(block);
    } else if (std::strcmp(way, "exit") != 0) {
        std::printf("usage: coverage_probe exit|leak|fault|double-delete\n");
        return 2;
    }
    return 0;
}
