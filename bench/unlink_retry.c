/* Preloaded into fio: unlink() tried again for up to a second while it fails
 * with EBUSY, as the engine does. An SMB server may still hold a file that a
 * FUSE client has just closed, and fio would give up on its first refusal. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <time.h>

int unlink(const char* path) {
    static int (*real)(const char*);
    if (!real) real = (int (*)(const char*))dlsym(RTLD_NEXT, "unlink");
    for (int waitedMs = 0;; ++waitedMs) {
        const int r = real(path);
        if (r == 0 || errno != EBUSY || waitedMs == 1000) return r;
        const struct timespec oneMs = {0, 1000000};
        nanosleep(&oneMs, 0);
    }
}
