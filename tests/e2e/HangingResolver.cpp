// A name lookup that never answers, for a viewer started by the end-to-end
// tests: preloaded, it stands in for the C library's getaddrinfo, as a name
// server that has gone silent would. Nothing leaves the machine.
#include <netdb.h>
#include <unistd.h>

extern "C" int getaddrinfo(const char*, const char*, const struct addrinfo*, struct addrinfo**)
{
    for (;;)
        pause();
}
