#include <cstdio>

int main() {
    std::puts("pelora: there is no window yet");
    return 0;
}
