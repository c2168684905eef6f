// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The floor of the measurement: a bare process that sleeps to each whole second of the system
// clock and writes a frame, with nothing between the wake-up and the write. Whatever lateness the
// monitor sees in its frames is the pseudo-terminal, the scheduler and the monitor itself.
//
//   bench_floor_sender DEVICE SECONDS
//
// One line per frame on standard output: the second it names (seconds since the epoch) and how
// many microseconds after that second write() returned.

#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

// The zones of the benchmark's settings: London, Kathmandu, Mountain Time, Auckland.
static const unsigned char kZoneCodes[4] = {0x0D, 0x16, 0x05, 0x1F};

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s DEVICE SECONDS\n", argv[0]);
        return 2;
    }
    const long seconds = strtol(argv[2], NULL, 10);
    const int fd = open(argv[1], O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        fprintf(stderr, "%s: %s\n", argv[1], strerror(errno));
        return 1;
    }
    struct termios tio;
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
    // A sleeping thread may be woken up to 50 us late by default so that timers can be batched:
    // the floor must not carry that.
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);

    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const time_t end = now.tv_sec + seconds;
    for (;;) {
        clock_gettime(CLOCK_REALTIME, &now);
        const struct timespec next = {now.tv_sec + 1, 0};
        if (next.tv_sec > end)
            break;
        int rc;
        while ((rc = clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &next, NULL)) == EINTR) { }
        if (rc != 0)
            return 1;
        // The second it is sent in, as the program does: read the clock again after waking.
        clock_gettime(CLOCK_REALTIME, &now);
        struct tm gmt;
        gmtime_r(&now.tv_sec, &gmt);
        const unsigned char frame[9] = {0xFE,
                                        (unsigned char)gmt.tm_sec,
                                        (unsigned char)gmt.tm_min,
                                        (unsigned char)gmt.tm_hour,
                                        kZoneCodes[0],
                                        kZoneCodes[1],
                                        kZoneCodes[2],
                                        kZoneCodes[3],
                                        0xFF};
        if (write(fd, frame, sizeof frame) != (ssize_t)sizeof frame) {
            fprintf(stderr, "write: %s\n", strerror(errno));
            return 1;
        }
        struct timespec written;
        clock_gettime(CLOCK_REALTIME, &written);
        printf("%lld %lld\n", (long long)now.tv_sec,
               (long long)(written.tv_sec - now.tv_sec) * 1000000 + (written.tv_nsec) / 1000);
        fflush(stdout);
    }
    close(fd);
    return 0;
}
