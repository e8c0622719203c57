#include "console.h"

int main(int argc, char **argv) {
    return quadrel(argc, argv);
}
