/* A small 8051 program for the end-to-end tests: it walks a light pattern
   over port 1 with a timer-paced delay and keeps a running checksum of the
   pattern table in internal RAM, so that the image holds real code and
   constant data. */
#include <8051.h>

static __code const unsigned char pattern[] = {
    0x01, 0x03, 0x07, 0x0F, 0x1F, 0x3F, 0x7F, 0xFF,
    0xFE, 0xFC, 0xF8, 0xF0, 0xE0, 0xC0, 0x80, 0x00,
};

static unsigned char checksum;

static void wait_ticks(unsigned int ticks)
{
    TMOD = (TMOD & 0xF0) | 0x01;
    while (ticks--) {
        TH0 = 0xFC;
        TL0 = 0x18;
        TF0 = 0;
        TR0 = 1;
        while (!TF0) {
        }
        TR0 = 0;
    }
}

void main(void)
{
    unsigned char step = 0;
    for (;;) {
        P1 = pattern[step & 0x0F];
        checksum += pattern[step & 0x0F];
        if (checksum == 0x5A) {
            P3 ^= 0x10;
        }
        wait_ticks(250);
        ++step;
    }
}
