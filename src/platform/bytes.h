// Little-endian fields of the files the program reads and writes: every
// record is coded byte by byte, never by dumping a struct, so the files are
// the same on any machine. The only place the byte order is spelt out.
#pragma once
#include <cstdint> // Required for: uint8_t, uint16_t, uint32_t, uint64_t
#include <cstring> // Required for: memcpy
#include <vector>  // Required for: std::vector (the appending forms)

inline void put_u16(uint8_t* p, uint16_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

inline uint16_t get_u16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
inline int16_t get_i16(const uint8_t* p) { return (int16_t)get_u16(p); }

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
inline int32_t get_i32(const uint8_t* p) { return (int32_t)get_u32(p); }

// Floating point goes through its IEEE-754 bit pattern, NaNs included.
inline void put_f32(uint8_t* p, float v)
{
    uint32_t bits;
    memcpy(&bits, &v, 4);
    put_u32(p, bits);
}

inline float get_f32(const uint8_t* p)
{
    uint32_t bits = get_u32(p);
    float v;
    memcpy(&v, &bits, 4);
    return v;
}

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

// The appending forms, for files assembled in a growing buffer. Values are
// cut to the field's width (a negative int16 or int32 keeps its two's
// complement bits).
inline void append_u16(std::vector<uint8_t>& out, uint32_t v)
{
    out.resize(out.size() + 2);
    put_u16(&out[out.size() - 2], (uint16_t)v);
}

inline void append_u32(std::vector<uint8_t>& out, uint32_t v)
{
    out.resize(out.size() + 4);
    put_u32(&out[out.size() - 4], v);
}

inline void append_f64(std::vector<uint8_t>& out, double v)
{
    out.resize(out.size() + 8);
    put_f64(&out[out.size() - 8], v);
}

// Big-endian fields, for the IFF chunks of LBM pictures.
inline uint16_t get_u16_be(const uint8_t* p) { return (uint16_t)(p[0] << 8 | p[1]); }
inline uint32_t get_u32_be(const uint8_t* p) { return (uint32_t)get_u16_be(p) << 16 | get_u16_be(p + 2); }
