/* A program the process tests start. It writes the arguments it was given,
   one per line, to args.txt beside itself, whole (through a rename). An
   argument "wait=N" makes it wait N milliseconds first. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#include <unistd.h>
#endif

int main(int argc, char** argv) {
    char dir[4096] = "";
#ifdef _WIN32
    GetModuleFileNameA(NULL, dir, sizeof dir - 16);
    char* cut = strrchr(dir, '\\');
#else
    const ssize_t n = readlink("/proc/self/exe", dir, sizeof dir - 16);
    dir[n > 0 ? n : 0] = '\0';
    char* cut = strrchr(dir, '/');
#endif
    if (cut == NULL) return 2;
    cut[1] = '\0';

    for (int i = 1; i < argc; ++i)
        if (strncmp(argv[i], "wait=", 5) == 0) {
            const long ms = strtol(argv[i] + 5, NULL, 10);
#ifdef _WIN32
            Sleep((DWORD)ms);
#else
            const struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
            nanosleep(&pause, NULL);
#endif
        }

    char partial[4200], whole[4200];
    snprintf(partial, sizeof partial, "%sargs.tmp", dir);
    snprintf(whole, sizeof whole, "%sargs.txt", dir);
    FILE* out = fopen(partial, "wb");
    if (out == NULL) return 3;
    for (int i = 1; i < argc; ++i) fprintf(out, "%s\n", argv[i]);
    if (fclose(out) != 0) return 4;
    remove(whole);
    return rename(partial, whole) == 0 ? 0 : 5;
}
