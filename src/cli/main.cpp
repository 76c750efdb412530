// quillora-cli: the batch front end over the catalogue core.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argv;
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillora-cli COMMAND ...\n");
        return 1;
    }
    return 1;
}
