/* Writes one finished skin image: lays the renderings of its artwork sources (any PNGs that
 * libpng can read, usually RGBA from rsvg-convert) over an opaque matte colour, in order, and
 * writes the result as the program wants its images: 8-bit RGB, not interlaced, with sBIT,
 * pHYs and tEXt chunks and nothing that changes from run to run (no time stamp).
 *
 *   skinpng [--dpi N] OUT.png WIDTH HEIGHT MATTE_RRGGBB "Title text" LAYER.png [LAYER.png ...]
 *
 * N (96 unless given) is the screen resolution the image is drawn for, written as pHYs.
 *
 * The expected size is checked so that a source drawn at the wrong size never ships. */
#include <png.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int fail(const char *what, const char *detail) {
    fprintf(stderr, "skinpng: %s%s%s\n", what, detail ? ": " : "", detail ? detail : "");
    return 1;
}

/* Lays one RGBA layer over the RGB canvas (straight alpha, rounded to the nearest value, so
 * opaque pixels stay exactly as drawn). */
static int add_layer(const char *path, png_bytep rgb, unsigned width, unsigned height) {
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) return fail(path, image.message);
    if (image.width != width || image.height != height) {
        char size[64];
        snprintf(size, sizeof size, "%ux%u, expected %ux%u", image.width, image.height, width, height);
        png_image_free(&image);
        return fail(path, size);
    }
    image.format = PNG_FORMAT_RGBA;
    png_bytep rgba = malloc(PNG_IMAGE_SIZE(image));
    if (rgba == NULL) return fail("out of memory", NULL);
    if (!png_image_finish_read(&image, NULL, rgba, 0, NULL)) {
        free(rgba);
        return fail(path, image.message);
    }
    for (size_t i = 0; i < (size_t)width * height; ++i) {
        const png_byte *s = rgba + 4 * i;
        png_byte *d = rgb + 3 * i;
        unsigned a = s[3];
        for (int c = 0; c < 3; ++c) d[c] = (png_byte)((s[c] * a + d[c] * (255 - a) + 127) / 255);
    }
    free(rgba);
    return 0;
}

int main(int argc, char **argv) {
    unsigned dpi = 96;
    if (argc > 2 && strcmp(argv[1], "--dpi") == 0) {
        dpi = (unsigned)strtoul(argv[2], NULL, 10);
        argc -= 2;
        argv += 2;
    }
    if (argc < 7) return fail("usage: skinpng [--dpi N] OUT.png WIDTH HEIGHT MATTE_RRGGBB TITLE LAYER.png...", NULL);
    const char *out = argv[1], *title = argv[5];
    unsigned width = (unsigned)strtoul(argv[2], NULL, 10), height = (unsigned)strtoul(argv[3], NULL, 10);
    unsigned long matte = strtoul(argv[4], NULL, 16);
    if (width == 0 || height == 0) return fail("bad size", NULL);

    png_bytep rgb = malloc((size_t)width * height * 3);
    if (rgb == NULL) return fail("out of memory", NULL);
    for (size_t i = 0; i < (size_t)width * height; ++i) {
        rgb[3 * i] = (png_byte)(matte >> 16);
        rgb[3 * i + 1] = (png_byte)(matte >> 8);
        rgb[3 * i + 2] = (png_byte)matte;
    }
    for (int i = 6; i < argc; ++i) {
        if (add_layer(argv[i], rgb, width, height) != 0) return 1;
    }

    FILE *f = fopen(out, "wb");
    if (f == NULL) return fail(out, "cannot create");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png ? png_create_info_struct(png) : NULL;
    if (info == NULL) return fail("libpng", "cannot create the write structures");
    if (setjmp(png_jmpbuf(png))) {
        fclose(f);
        remove(out);
        return fail(out, "libpng error while writing");
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    /* Rows filtered by None, Sub or Up only: the program decodes its art at start-up, and
     * undoing Paeth (and Average) costs it a sixth of that time, while these three compress
     * the skin's art as well. */
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE | PNG_FILTER_SUB | PNG_FILTER_UP);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color_8 sig = {8, 8, 8, 0, 0};
    png_set_sBIT(png, info, &sig);
    png_uint_32 perMetre = (png_uint_32)(dpi * 10000u + 127u) / 254u; /* 96 dpi: 3780 */
    png_set_pHYs(png, info, perMetre, perMetre, PNG_RESOLUTION_METER);
    png_text text[2];
    memset(text, 0, sizeof text);
    text[0].compression = text[1].compression = PNG_TEXT_COMPRESSION_NONE;
    text[0].key = "Title";
    text[0].text = (char *)title;
    text[1].key = "Software";
    text[1].text = "Dustwhirl skin generator";
    png_set_text(png, info, text, 2);
    png_write_info(png, info);
    for (unsigned y = 0; y < height; ++y) png_write_row(png, rgb + (size_t)y * width * 3);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    fclose(f);
    free(rgb);
    return 0;
}
