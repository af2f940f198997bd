#pragma once

#include <cstdint>

// The protocol's own ceiling on this machine: two processes on 127.0.0.1 with blocking sockets
// and nothing else, one 1003-byte message and one 3-byte reply per round. Returns the seconds
// `rounds` rounds took, or a negative number when the sockets failed.
double pingPongSeconds(std::int64_t rounds);
