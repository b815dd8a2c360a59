/* A small 8051 program to try zvk with: it counts on port 1 and mirrors
 * port 3 onto port 2. scripts/run builds it into build/demo/demo.hex. */
#include <8051.h>

static void Pause(unsigned int loops) {
    while (loops--) {
    }
}

void main(void) {
    unsigned char count = 0;
    for (;;) {
        P1 = count++;
        P2 = P3;
        Pause(5000);
    }
}
