/* Preloaded into the update tests: a name resolver that does not answer for one host name.
   getaddrinfo for the name in SABREL_STALLED_HOST sleeps SABREL_STALLED_MS milliseconds
   (default 60000), then fails as a lookup that timed out; every other name resolves as usual. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <netdb.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

int getaddrinfo (const char* node, const char* service, const struct addrinfo* hints, struct addrinfo** result)
{
    const char* stalled = getenv ("SABREL_STALLED_HOST");

    if (node != NULL && stalled != NULL && strcmp (node, stalled) == 0)
    {
        const char* ms = getenv ("SABREL_STALLED_MS");
        const long wait = ms != NULL ? atol (ms) : 60000;
        struct timespec remaining = { wait / 1000, (wait % 1000) * 1000000 };

        while (nanosleep (&remaining, &remaining) != 0)
            ;

        return EAI_AGAIN;
    }

    typedef int (*Resolver) (const char*, const char*, const struct addrinfo*, struct addrinfo**);
    const Resolver next = (Resolver) dlsym (RTLD_NEXT, "getaddrinfo");
    return next (node, service, hints, result);
}
