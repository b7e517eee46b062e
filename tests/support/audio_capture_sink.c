/* The audio sink of the harness and of the tests that capture: a program of this machine (not of
 * Windows). ALSA's file plugin in the Wine process pipes what the wave-out device plays into it
 * ('file "|audio_capture_sink <path>"'); it takes the sound in at the pace of a sound card
 * (16-bit stereo at 44.1 kHz) and writes it to <path>, or to <path>.0001, <path>.0002, ... when
 * that exists: a file per opening of the device, as tests/support/audio_capture.h reads them.
 * With --truncate first, every opening writes <path> anew.
 *
 * ALSA's own null device would take the sound as fast as it comes, so a player that keeps sound
 * queued ahead would run faster than real time; a real device never does. The plugin's write
 * waits while the pipe is full, so a small pipe makes the device wait for the sink as for a sound
 * card's buffer. The plugin starts the sink when the device opens and waits for its end when the
 * device closes: the sink starts and ends at once, so that neither holds the device up. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

enum {
    kBytesPerSecond = 44100 * 4,
    kPipeBytes = 8192, /* about 46 ms */
    kChunkBytes = 4096,
};
/* Behind the pace by more than this (an idle or paused device): the pace starts anew. */
static const double kLateSeconds = 0.1;

static double Now(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

static void SleepSeconds(double seconds) {
    struct timespec delay;
    delay.tv_sec = (time_t)seconds;
    delay.tv_nsec = (long)((seconds - (double)delay.tv_sec) * 1e9);
    while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
    }
}

static int WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        data += written;
        size -= (size_t)written;
    }
    return 0;
}

static ssize_t ReadSome(int fd, char* buffer, size_t size) {
    for (;;) {
        ssize_t got = read(fd, buffer, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

/* <path>, or the first of <path>.0001, <path>.0002, ... that does not exist yet. */
static int OpenNumbered(const char* path) {
    char name[4096];
    for (int number = 0; number < 10000; ++number) {
        if (number == 0)
            snprintf(name, sizeof name, "%s", path);
        else
            snprintf(name, sizeof name, "%s.%04d", path, number);
        int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

/* Makes the pipe small. What the device wrote into the large one meanwhile is written out first:
 * it counts as played by now. */
static int ShrinkPipe(int out) {
    char buffer[65536];
    for (;;) {
        if (fcntl(0, F_SETPIPE_SZ, kPipeBytes) >= 0 || errno != EBUSY) return 0;
        ssize_t got = ReadSome(0, buffer, sizeof buffer);
        if (got <= 0) return 0;
        if (WriteAll(out, buffer, (size_t)got) != 0) return -1;
    }
}

int main(int argc, char** argv) {
    int truncate = argc == 3 && strcmp(argv[1], "--truncate") == 0;
    if (argc != 2 && !truncate) {
        fprintf(stderr, "usage: %s [--truncate] <capture file>\n", argv[0]);
        return 2;
    }
    /* What else the Wine process had open is none of the sink's business: kept open here, a pipe
     * of another sink would never see its end. */
    close_range(3, ~0u, 0);
    const char* path = argv[argc - 1];
    int out = truncate ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : OpenNumbered(path);
    if (out < 0) {
        fprintf(stderr, "audio_capture_sink: cannot write %s: %s\n", path, strerror(errno));
        return 1;
    }
    if (ShrinkPipe(out) != 0) return 1;

    char buffer[kChunkBytes];
    double start = Now();
    double taken = 0; /* bytes since start */
    for (;;) {
        ssize_t got = ReadSome(0, buffer, sizeof buffer);
        if (got <= 0) break;
        if (WriteAll(out, buffer, (size_t)got) != 0) return 1;
        double now = Now();
        if (now - (start + taken / kBytesPerSecond) > kLateSeconds) {
            start = now;
            taken = 0;
        }
        taken += (double)got;
        double delay = start + taken / kBytesPerSecond - now;
        if (delay > 0) SleepSeconds(delay);
    }
    return close(out) == 0 ? 0 : 1;
}
