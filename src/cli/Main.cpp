// tunevarn-cli: the terminal front end over the core.
#include <cstdio>
#include <cstring>

static int Usage() {
    std::fprintf(stderr, "usage: tunevarn-cli list PATH...\n");
    return 2;
}

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    (void)argv;
    return Usage();
}
