// Little-endian fields of the files the program reads and writes: every
// record is coded byte by byte, never by dumping a struct, so the files are
// the same on any machine.
#pragma once
#include <cstdint> // Required for: uint8_t, uint32_t, uint64_t
#include <cstring> // Required for: memcpy

inline void put_u32(uint8_t* p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

inline uint32_t get_u32(const uint8_t* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// Doubles go through their IEEE-754 bit pattern, NaNs included.
inline void put_f64(uint8_t* p, double v)
{
    uint64_t bits;
    memcpy(&bits, &v, 8);
    put_u32(p, (uint32_t)bits);
    put_u32(p + 4, (uint32_t)(bits >> 32));
}

inline double get_f64(const uint8_t* p)
{
    uint64_t bits = (uint64_t)get_u32(p) | (uint64_t)get_u32(p + 4) << 32;
    double v;
    memcpy(&v, &bits, 8);
    return v;
}
