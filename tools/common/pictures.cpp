// Picture handling for the builders: JPEG and PNG decoding, resampling to
// map sizes, and quantising to 8-bit maps with their own palettes.
#include "toolkit.h"

#include <cmath>   // Required for: std::floor
#include <cstdio>
#include <cstring>
#include <algorithm> // Required for: std::min, std::max
#include <csetjmp>

#include <jpeglib.h>        // Required for: jpeg_decompress_struct
#include <libimagequant.h>  // Required for: liq_image_quantize
#include <png.h>            // Required for: png_image

extern "C" void omp_set_num_threads(int count); // libgomp, under libimagequant

namespace nmk {

// ---------------------------------------------------------------------------
// Decoding.

// The largest picture read, a side: eight times a full map's width is more
// than any map needs, and its pixels still fit in memory (about 800 MB).
static const unsigned MAX_PICTURE_SIDE = 16384;

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf back;
    char text[JMSG_LENGTH_MAX];
};

static void jpeg_fail(j_common_ptr cinfo)
{
    JpegError* e = (JpegError*)cinfo->err;
    (*cinfo->err->format_message)(cinfo, e->text);
    longjmp(e->back, 1);
}

static bool load_jpeg(FILE* f, RgbImage& out, std::string& error)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpeg_fail;
    if (setjmp(err.back)) {
        error = err.text;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width > MAX_PICTURE_SIDE || cinfo.image_height > MAX_PICTURE_SIDE) {
        error = "larger than " + std::to_string(MAX_PICTURE_SIDE) + " pixels a side";
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_RGB;
    cinfo.dct_method = JDCT_ISLOW; // the exact integer transform: same bytes on every machine
    cinfo.do_fancy_upsampling = TRUE;
    jpeg_start_decompress(&cinfo);
    out.width = (int)cinfo.output_width;
    out.height = (int)cinfo.output_height;
    out.pixels.assign(3 * (size_t)out.width * out.height, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.at(0, (int)cinfo.output_scanline);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

static bool load_png(const std::string& path, RgbImage& out, std::string& error)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = image.message;
        return false;
    }
    if (image.width > MAX_PICTURE_SIDE || image.height > MAX_PICTURE_SIDE) {
        error = "larger than " + std::to_string(MAX_PICTURE_SIDE) + " pixels a side";
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    out.width = (int)image.width;
    out.height = (int)image.height;
    out.pixels.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) {
        error = image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

bool load_picture(const std::string& path, RgbImage& out, std::string& error)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open";
        return false;
    }
    uint8_t magic[4] = {};
    size_t got = fread(magic, 1, 4, f);
    rewind(f);
    bool ok;
    if (got >= 2 && magic[0] == 0xFF && magic[1] == 0xD8) {
        ok = load_jpeg(f, out, error);
        fclose(f);
    } else if (got == 4 && magic[0] == 0x89 && magic[1] == 'P' && magic[2] == 'N' && magic[3] == 'G') {
        fclose(f);
        ok = load_png(path, out, error);
    } else {
        fclose(f);
        error = "neither JPEG nor PNG";
        ok = false;
    }
    if (ok && (out.width < 1 || out.height < 1)) {
        error = "empty picture";
        ok = false;
    }
    return ok;
}

// ---------------------------------------------------------------------------
// Resampling.

// Box filter: every output pixel is the coverage-weighted mean of the
// input pixels under it.
static RgbImage shrink(const RgbImage& in, int width, int height)
{
    RgbImage out = blank_rgb(width, height);
    double sx = (double)in.width / width, sy = (double)in.height / height;
    for (int y = 0; y < height; y++) {
        double y0 = y * sy, y1 = (y + 1) * sy;
        for (int x = 0; x < width; x++) {
            double x0 = x * sx, x1 = (x + 1) * sx;
            double sum[3] = {0, 0, 0}, weight = 0;
            for (int iy = (int)y0; iy < in.height && iy < y1; iy++) {
                double wy = std::min(y1, iy + 1.0) - std::max(y0, (double)iy);
                for (int ix = (int)x0; ix < in.width && ix < x1; ix++) {
                    double w = wy * (std::min(x1, ix + 1.0) - std::max(x0, (double)ix));
                    const uint8_t* p = in.at(ix, iy);
                    for (int k = 0; k < 3; k++)
                        sum[k] += w * p[k];
                    weight += w;
                }
            }
            uint8_t* q = out.at(x, y);
            for (int k = 0; k < 3; k++)
                q[k] = (uint8_t)(sum[k] / weight + 0.5);
        }
    }
    return out;
}

// Bilinear, wrapping across the date line and holding the poles.
static RgbImage enlarge(const RgbImage& in, int width, int height)
{
    RgbImage out = blank_rgb(width, height);
    for (int y = 0; y < height; y++) {
        double fy = (y + 0.5) * in.height / height - 0.5;
        if (fy < 0)
            fy = 0;
        if (fy > in.height - 1)
            fy = in.height - 1;
        int y0 = (int)fy, y1 = y0 + 1 < in.height ? y0 + 1 : y0;
        double ty = fy - y0;
        for (int x = 0; x < width; x++) {
            double fx = (x + 0.5) * in.width / width - 0.5;
            int x0 = (int)std::floor(fx);
            double tx = fx - x0;
            int xa = (x0 % in.width + in.width) % in.width, xb = (xa + 1) % in.width;
            uint8_t* q = out.at(x, y);
            for (int k = 0; k < 3; k++) {
                double top = in.at(xa, y0)[k] * (1 - tx) + in.at(xb, y0)[k] * tx;
                double bottom = in.at(xa, y1)[k] * (1 - tx) + in.at(xb, y1)[k] * tx;
                q[k] = (uint8_t)(top * (1 - ty) + bottom * ty + 0.5);
            }
        }
    }
    return out;
}

RgbImage resample(const RgbImage& in, int width, int height)
{
    if (in.width == width && in.height == height)
        return in;
    if (in.width >= width && in.height >= height)
        return shrink(in, width, height);
    if (in.width <= width && in.height <= height)
        return enlarge(in, width, height);
    return enlarge(shrink(in, std::min(in.width, width), std::min(in.height, height)), width, height);
}

RgbImage crop_columns(const RgbImage& in, int x0, int width)
{
    RgbImage out;
    out.width = width;
    out.height = in.height;
    out.pixels.resize(3 * (size_t)width * in.height);
    for (int y = 0; y < in.height; y++)
        for (int x = 0; x < width; x++) {
            int sx = ((x0 + x) % in.width + in.width) % in.width;
            memcpy(out.at(x, y), in.at(sx, y), 3);
        }
    return out;
}

// ---------------------------------------------------------------------------
// Quantising.

void quantiser_single_thread() { omp_set_num_threads(1); }

IndexedImage quantise_map(const RgbImage& in, float dither)
{
    quantiser_single_thread();
    std::vector<uint8_t> rgba(4 * (size_t)in.width * in.height);
    for (size_t i = 0; i < (size_t)in.width * in.height; i++) {
        memcpy(&rgba[4 * i], &in.pixels[3 * i], 3);
        rgba[4 * i + 3] = 255;
    }
    IndexedImage out;
    out.width = in.width;
    out.height = in.height;
    out.pixels.assign((size_t)in.width * in.height, 0);
    out.palette.assign(768, 0);

    liq_attr* attr = liq_attr_create();
    liq_set_max_colors(attr, 254);
    liq_set_speed(attr, 3);
    liq_image* image = liq_image_create_rgba(attr, rgba.data(), in.width, in.height, 0);
    liq_result* result = nullptr;
    if (liq_image_quantize(image, attr, &result) == LIQ_OK) {
        liq_set_dithering_level(result, dither);
        std::vector<uint8_t> idx(out.pixels.size());
        liq_write_remapped_image(result, image, idx.data(), idx.size());
        const liq_palette* pal = liq_get_palette(result);
        for (unsigned i = 0; i < pal->count && i < 254; i++) {
            out.palette[3 * (i + 1) + 0] = pal->entries[i].r;
            out.palette[3 * (i + 1) + 1] = pal->entries[i].g;
            out.palette[3 * (i + 1) + 2] = pal->entries[i].b;
        }
        for (size_t i = 0; i < idx.size(); i++)
            out.pixels[i] = (uint8_t)(idx[i] + 1);
        liq_result_destroy(result);
    } else {
        // The quantiser only fails on absurd input; grey levels still serve.
        for (size_t i = 0; i < out.pixels.size(); i++) {
            int g = (in.pixels[3 * i] + in.pixels[3 * i + 1] + in.pixels[3 * i + 2]) / 3;
            out.pixels[i] = (uint8_t)(1 + g * 253 / 255);
        }
        for (int i = 1; i < 255; i++)
            for (int k = 0; k < 3; k++)
                out.palette[3 * i + k] = (uint8_t)((i - 1) * 255 / 253);
    }
    liq_image_destroy(image);
    liq_attr_destroy(attr);
    out.palette[3 * 255 + 0] = out.palette[3 * 255 + 1] = out.palette[3 * 255 + 2] = 8;
    return out;
}

IndexedImage remap_nearest(const RgbImage& in, const std::vector<uint8_t>& palette, int first, int last,
                           bool diffuse)
{
    IndexedImage out;
    out.width = in.width;
    out.height = in.height;
    out.pixels.resize((size_t)in.width * in.height);
    // Floyd-Steinberg error diffusion in integers, row after row.
    std::vector<int> err(3 * (size_t)(in.width + 2) * 2, 0);
    for (int y = 0; y < in.height; y++) {
        int* cur = &err[3 * (size_t)(in.width + 2) * (y & 1)];
        int* nxt = &err[3 * (size_t)(in.width + 2) * ((y + 1) & 1)];
        std::fill(nxt, nxt + 3 * (in.width + 2), 0);
        for (int x = 0; x < in.width; x++) {
            const uint8_t* p = in.at(x, y);
            int want[3];
            for (int k = 0; k < 3; k++) {
                int v = p[k] + (diffuse ? cur[3 * (x + 1) + k] / 16 : 0);
                want[k] = v < 0 ? 0 : (v > 255 ? 255 : v);
            }
            int best = first;
            long best_d = -1;
            for (int c = first; c <= last; c++) {
                long dr = want[0] - palette[3 * c], dg = want[1] - palette[3 * c + 1], db = want[2] - palette[3 * c + 2];
                long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db; // weights roughly as the eye sees them
                if (best_d < 0 || d < best_d) {
                    best_d = d;
                    best = c;
                }
            }
            out.pixels[(size_t)y * in.width + x] = (uint8_t)best;
            if (diffuse)
                for (int k = 0; k < 3; k++) {
                    int e = want[k] - palette[3 * best + k];
                    cur[3 * (x + 2) + k] += 7 * e;
                    nxt[3 * x + k] += 3 * e;
                    nxt[3 * (x + 1) + k] += 5 * e;
                    nxt[3 * (x + 2) + k] += e;
                }
        }
    }
    return out;
}

} // namespace nmk
