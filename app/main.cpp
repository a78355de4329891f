#include <cstdio>

int main() {
    std::puts("klavet: the trainer's engine is built; its window is not there yet.");
    return 0;
}
