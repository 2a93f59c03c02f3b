/* Preloaded into fio: unlink() made again while it fails with EBUSY, as the
 * engine does it (20 more tries, 50 ms apart). An SMB server may still hold a
 * file that a FUSE client has just closed, and fio would give up on its first
 * refusal. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <time.h>

int unlink(const char* path) {
    static int (*real)(const char*);
    if (!real) real = (int (*)(const char*))dlsym(RTLD_NEXT, "unlink");
    for (int attempt = 0;; ++attempt) {
        const int r = real(path);
        if (r == 0 || errno != EBUSY || attempt == 20) return r;
        const struct timespec pause = {0, 50 * 1000000};
        nanosleep(&pause, 0);
    }
}
