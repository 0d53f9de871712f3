/* The library loaded with dlopen by a program that is not linked to it.
 *
 * Its thread-local data (each thread's shelf of freed text blocks) then
 * lives in dynamically allocated TLS instead of the static block set up at
 * start-up. Texts are made, copied and freed on the main thread and on a
 * thread started after the load, and the library is closed and loaded again.
 * Prints one line per failed check and exits non-zero when any fails.
 */

#include <zotrel/variant.h>

#include <dlfcn.h>
#include <pthread.h>
#include <stdbool.h>
#include <stdio.h>

typedef unsigned int (*InitFn)(tagZTVARIANT*);
typedef unsigned int (*ClearFn)(tagZTVARIANT*);
typedef unsigned int (*CopyFn)(tagZTVARIANT*, const tagZTVARIANT*);
typedef unsigned int (*ChangeTypeFn)(tagZTVARIANT*, const tagZTVARIANT*, unsigned short,
                                     unsigned short);

static InitFn init_fn;
static ClearFn clear_fn;
static CopyFn copy_fn;
static ChangeTypeFn change_fn;
static int failures = 0;

static void check(bool condition, const char* what, int round) {
    if (!condition) {
        printf("FAILED (round %d): %s\n", round, what);
        ++failures;
    }
}

/* A number to text and back, through a copy, 200 times: the texts' blocks
 * go to this thread's shelf and come back from it. */
static void* round_trips(void* arg) {
    const int round = *(const int*)arg;
    for (int i = 0; i < 200; ++i) {
        tagZTVARIANT number, text, copy, back;
        init_fn(&number);
        init_fn(&text);
        init_fn(&copy);
        init_fn(&back);
        number.vartype = ZT_VT_I4;
        number.data.i4Val = 1000 + i;
        check(change_fn(&text, &number, 0, ZT_VT_STRING) == 0, "to text", round);
        check(copy_fn(&copy, &text) == 0, "copy", round);
        check(clear_fn(&text) == 0, "clear the text", round);
        check(change_fn(&back, &copy, 0, ZT_VT_I4) == 0, "back to a number", round);
        check(back.vartype == ZT_VT_I4 && back.data.i4Val == 1000 + i, "same number", round);
        check(clear_fn(&copy) == 0, "clear the copy", round);
    }
    return NULL;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        printf("usage: dlopen_test LIBRARY\n");
        return 2;
    }
    for (int round = 0; round < 2; ++round) {
        void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            printf("FAILED: dlopen: %s\n", dlerror());
            return 1;
        }
        init_fn = (InitFn)dlsym(library, "ZtVariantInit");
        clear_fn = (ClearFn)dlsym(library, "ZtVariantClear");
        copy_fn = (CopyFn)dlsym(library, "ZtVariantCopy");
        change_fn = (ChangeTypeFn)dlsym(library, "ZtVariantChangeType");
        if (!init_fn || !clear_fn || !copy_fn || !change_fn) {
            printf("FAILED: a C function is missing\n");
            return 1;
        }
        round_trips(&round);
        pthread_t worker;
        check(pthread_create(&worker, NULL, round_trips, &round) == 0, "start a thread", round);
        check(pthread_join(worker, NULL) == 0, "join the thread", round);
        check(dlclose(library) == 0, "dlclose", round);
    }
    if (failures == 0)
        printf("dlopen_test: all checks passed\n");
    return failures == 0 ? 0 : 1;
}
