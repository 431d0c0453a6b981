#!/usr/bin/env python3
"""Writes the small seed files of fuzz/corpus/: DDS in every layout the reader accepts, BMP, TGA
and PNG pictures in every variant their decoders take, and short texts for the text readers.
The JPG seeds are made with libjpeg-turbo's cjpeg when it is present. Deterministic; rerun after
changing it and commit the result. The picture seeds are also what the decoders are compared
with stb_image on (tests/content/picture_decoders_test.cpp)."""
import os
import shutil
import struct
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


def pixels(width, height, seed):
    return bytes((x * 37 + y * 71 + c * 13 + seed) & 0xFF for y in range(height) for x in range(width) for c in range(4))


def dds(width, height, levels, pf, level_bytes, cube=False):
    flags = 0x1 | 0x2 | 0x4 | 0x1000 | (0x20000 if levels > 1 else 0)
    caps = 0x1000 | ((0x8 | 0x400000) if levels > 1 else 0) | (0x8 if cube else 0)
    caps2 = 0xFE00 if cube else 0
    header = struct.pack("<7I", 124, flags, height, width, 0, 0, levels) + b"\0" * 44 + pf
    header += struct.pack("<4I", caps, caps2, 0, 0) + b"\0" * 4
    data = b""
    for face in range(6 if cube else 1):
        for level in range(levels):
            w, h = max(width >> level, 1), max(height >> level, 1)
            data += level_bytes(w, h, face * 16 + level)
    return b"DDS " + header + data


def pf_rgb(alpha):
    return struct.pack("<8I", 32, 0x40 | (0x1 if alpha else 0), 0, 32, 0xFF0000, 0xFF00, 0xFF,
                       0xFF000000 if alpha else 0)


def pf_luminance():
    return struct.pack("<8I", 32, 0x20000, 0, 8, 0xFF, 0, 0, 0)


def pf_fourcc(code):
    value = code if isinstance(code, int) else struct.unpack("<I", code)[0]
    return struct.pack("<8I", 32, 0x4, value, 0, 0, 0, 0, 0)


def blocks(size):
    def make(w, h, seed):
        count = ((w + 3) // 4) * ((h + 3) // 4)
        return bytes((i * 29 + seed) & 0xFF for i in range(count * size))
    return make


def rgba_bytes(w, h, seed):
    return pixels(w, h, seed)


def l8_bytes(w, h, seed):
    return bytes((i * 11 + seed) & 0xFF for i in range(w * h))


def png(width, height, color_type, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\0" + row for row in rows)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, color_type, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def bmp(width, height, bits):
    row = (width * bits // 8 + 3) & ~3
    data = b""
    for y in range(height):
        line = bytes((x * 40 + y * 20 + c) & 0xFF for x in range(width) for c in range(bits // 8))
        data += line + b"\0" * (row - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


def tga(width, height, rle):
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 10 if rle else 2, 0, 0, 0, 0, 0, width, height, 32, 8)
    body = b""
    for y in range(height):
        if rle:
            body += bytes([0x80 | (width - 1)]) + bytes([y * 30, 60, 90, 255])
        else:
            body += bytes((x * 50 + y * 10 + c) & 0xFF for x in range(width) for c in range(4))
    return header + body


def pack(samples, depth):
    if depth == 8:
        return bytes(samples)
    if depth == 16:
        return b"".join(struct.pack(">H", v) for v in samples)
    out, acc, bits = bytearray(), 0, 0
    for v in samples:
        acc, bits = acc << depth | v, bits + depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png_any(width, height, depth, color_type, sample, interlace=False, plte=b"", trns=b""):
    """sample(x, y) gives the channel values of a pixel; Adam7 passes are written one after another."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b""
    for x0, y0, dx, dy in ADAM7 if interlace else [(0, 0, 1, 1)]:
        columns = range(x0, width, dx)
        for y in range(y0, height, dy) if columns else []:
            raw += b"\0" + pack([v for x in columns for v in sample(x, y)], depth)
    ihdr = struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, 1 if interlace else 0)
    extra = (chunk(b"PLTE", plte) if plte else b"") + (chunk(b"tRNS", trns) if trns else b"")
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def bmp_any(width, height, bits, rows, header=40, compression=0, palette=b"", masks=b"", v4=b""):
    """rows: the stored rows (bottom-up for a positive height), unpadded."""
    stride = ((width * bits + 7) // 8 + 3) & ~3
    data = b"".join(r + b"\0" * (stride - len(r)) for r in rows)
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, compression, len(data), 2835, 2835, 0, 0)
        info += v4.ljust(header - 40, b"\0")
    offset = 14 + len(info) + len(masks) + len(palette)
    return struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset) + info + masks + palette + data


def tga_any(width, height, image_type, bits, descriptor, body, cmap=b"", cmap_count=0, entry_bits=0, image_id=b""):
    header = struct.pack("<BBBHHBHHHHBB", len(image_id), 1 if cmap else 0, image_type, 0, cmap_count, entry_bits,
                         0, 0, width, height, bits, descriptor)
    return header + image_id + cmap + body


def noise(x, y, c=0):
    return (x * 29 + y * 47 + c * 83 + (x * y * 7 + c) % 31 * 5) & 0xFF


def picture_seeds():
    out = {}
    rgb = lambda x, y: [noise(x, y, c) for c in range(3)]
    out["rgb_5x4.png"] = png_any(5, 4, 8, 2, rgb)
    out["graya_4x3.png"] = png_any(4, 3, 8, 4, lambda x, y: [noise(x, y), noise(x, y, 3)])
    out["gray1_11x3.png"] = png_any(11, 3, 1, 0, lambda x, y: [noise(x, y) & 1])
    out["gray2_trns_6x3.png"] = png_any(6, 3, 2, 0, lambda x, y: [noise(x, y) & 3], trns=struct.pack(">H", 2))
    out["gray4_5x3.png"] = png_any(5, 3, 4, 0, lambda x, y: [noise(x, y) & 15])
    palette = bytes(noise(i, 3, c) for i in range(6) for c in range(3))
    out["pal8_trns_4x4.png"] = png_any(4, 4, 8, 3, lambda x, y: [noise(x, y) % 6], plte=palette, trns=b"\x00\x80\x40")
    out["pal2_7x3.png"] = png_any(7, 3, 2, 3, lambda x, y: [noise(x, y) & 3], plte=palette[:12])
    out["rgb16_trns_3x2.png"] = png_any(3, 2, 16, 2, lambda x, y: [noise(x, y, c) * 257 + x for c in range(3)],
                                        trns=struct.pack(">3H", *[noise(1, 1, c) * 257 + 1 for c in range(3)]))
    out["gray16_4x2.png"] = png_any(4, 2, 16, 0, lambda x, y: [noise(x, y) * 251 + y])
    out["rgba16_3x3.png"] = png_any(3, 3, 16, 6, lambda x, y: [noise(x, y, c) * 199 for c in range(4)])
    out["adam7_rgba_9x10.png"] = png_any(9, 10, 8, 6, lambda x, y: [noise(x, y, c) for c in range(4)], True)
    out["adam7_gray1_13x5.png"] = png_any(13, 5, 1, 0, lambda x, y: [noise(x, y) & 1], True)
    out["adam7_pal4_3x3.png"] = png_any(3, 3, 4, 3, lambda x, y: [noise(x, y) % 6], True, palette, b"\x10")

    le16 = lambda values: b"".join(struct.pack("<H", v) for v in values)
    bgr0 = bytes(noise(i, 5, c) if c < 3 else 0 for i in range(16) for c in range(4))
    out["pal1_10x3.bmp"] = bmp_any(10, 3, 1, [pack([noise(x, y) & 1 for x in range(10)], 1) for y in range(3)],
                                   palette=bgr0[:8])
    out["pal4_5x3.bmp"] = bmp_any(5, 3, 4, [pack([noise(x, y) % 5 for x in range(5)], 4) for y in range(3)],
                                  palette=bgr0[:20])
    out["pal8_topdown_4x4.bmp"] = bmp_any(4, -4, 8, [bytes(noise(x, y) % 16 for x in range(4)) for y in range(4)],
                                          palette=bgr0)
    out["rgb555_3x2.bmp"] = bmp_any(3, 2, 16, [le16(noise(x, y, 1) * 129 & 0x7FFF for x in range(3)) for y in range(2)])
    out["rgb565_3x2.bmp"] = bmp_any(3, 2, 16, [le16(noise(x, y, 2) * 257 for x in range(3)) for y in range(2)],
                                    compression=3, masks=struct.pack("<3I", 0xF800, 0x07E0, 0x001F))
    out["zero_alpha_2x2.bmp"] = bmp_any(2, 2, 32, [bytes(noise(x, y, c) if c < 3 else 0 for x in range(2)
                                                         for c in range(4)) for y in range(2)])
    out["v4_argb4444_3x2.bmp"] = bmp_any(3, 2, 16, [le16(noise(x, y, 3) * 263 for x in range(3)) for y in range(2)],
                                         header=108, compression=3,
                                         v4=struct.pack("<4I", 0x0F00, 0x00F0, 0x000F, 0xF000))
    out["v5_bgra_2x3.bmp"] = bmp_any(2, 3, 32, [bytes(noise(x, y, c) for x in range(2) for c in range(4))
                                                for y in range(3)], header=124)
    out["v3_rgb24_3x2.bmp"] = bmp_any(3, 2, 24, [bytes(noise(x, y, c) for x in range(3) for c in range(3))
                                                 for y in range(2)], header=56)
    out["core_rgb24_3x2.bmp"] = bmp_any(3, 2, 24, [bytes(noise(x, y, c) for x in range(3) for c in range(3))
                                                   for y in range(2)], header=12)
    out["core_pal8_4x2.bmp"] = bmp_any(4, 2, 8, [bytes(noise(x, y) % 200 for x in range(4)) for y in range(2)],
                                       header=12, palette=bytes(noise(i, 7, c) for i in range(256) for c in range(3)))

    out["grey8_3x2.tga"] = tga_any(3, 2, 3, 8, 0, bytes(noise(x, y) for y in range(2) for x in range(3)))
    out["grey16a_topdown_3x2.tga"] = tga_any(3, 2, 3, 16, 0x28, bytes(noise(i, c) for i in range(6) for c in range(2)))
    out["grey8_rle_6x2.tga"] = tga_any(6, 2, 11, 8, 0, b"\x84\x40\x02\x10\x20\x30\x83\x50")
    out["rgb16_rle_5x2.tga"] = tga_any(5, 2, 10, 16, 0, b"\x86\x34\x92\x02" + le16([0x7C00, 0x03E0, 0x801F]))
    out["rgb24_topdown_id_3x2.tga"] = tga_any(3, 2, 2, 24, 0x20, bytes(noise(i, 1, c) for i in range(6) for c in range(3)),
                                              image_id=b"seed")
    out["mapped8_rle_4x3.tga"] = tga_any(4, 3, 9, 8, 0, b"\x82\x01\x03\x00\x02\x04\x03\x83\x02\x00\x00",
                                         bytes(noise(i, 2, c) for i in range(5) for c in range(3)), 5, 24)
    out["mapped16_32_3x2.tga"] = tga_any(3, 2, 1, 16, 0x28, le16([0, 1, 2, 2, 1, 0]),
                                         bytes(noise(i, 4, c) for i in range(3) for c in range(4)), 3, 32)
    out["mapped8_15_3x2.tga"] = tga_any(3, 2, 1, 8, 0, bytes([0, 1, 1, 0, 1, 0]), le16([0x1234, 0x7FFF]), 2, 15)
    return out


def jpeg_seeds():
    """Made by cjpeg from a picture with edges and noise, in the layouts encoders commonly write."""
    if not shutil.which("cjpeg"):
        print("make_seeds: no cjpeg (libjpeg-turbo-progs); the JPG seeds are left out", file=sys.stderr)
        return {}
    width, height = 37, 23
    ppm = b"P6 %d %d 255\n" % (width, height) + bytes(noise(x, y, c) if (x // 6 + y // 5) % 3 else 255 - c * 60
                                                      for y in range(height) for x in range(width) for c in range(3))
    gradient = b"P6 16 8 255\n" + bytes(v for y in range(8) for x in range(16) for v in (255 - x * 17, 0, x * 17))
    variants = {
        "q75_420_37x23.jpg": (ppm, []),
        "q90_444_37x23.jpg": (ppm, ["-quality", "90", "-sample", "1x1"]),
        "q80_422_37x23.jpg": (ppm, ["-quality", "80", "-sample", "2x1"]),
        "grey_37x23.jpg": (ppm, ["-grayscale"]),
        "progressive_37x23.jpg": (ppm, ["-progressive"]),
        "restart_optimized_37x23.jpg": (ppm, ["-restart", "1", "-optimize"]),
        "rgb_37x23.jpg": (ppm, ["-rgb", "-quality", "95"]),
        "gradient_16x8.jpg": (gradient, ["-quality", "50"]),
    }
    return {name: subprocess.run(["cjpeg", *args], input=source, check=True, capture_output=True).stdout
            for name, (source, args) in variants.items()}


def main():
    if os.path.isdir(CORPUS):
        shutil.rmtree(CORPUS)
    images = {
        "argb_4x4_mips.dds": dds(4, 4, 3, pf_rgb(True), rgba_bytes),
        "xrgb_4x2.dds": dds(4, 2, 1, pf_rgb(False), rgba_bytes),
        "l8_8x4_mips.dds": dds(8, 4, 4, pf_luminance(), l8_bytes),
        "dxt1_8x8_mips.dds": dds(8, 8, 4, pf_fourcc(b"DXT1"), blocks(8)),
        "dxt3_4x4.dds": dds(4, 4, 1, pf_fourcc(b"DXT3"), blocks(16)),
        "dxt5_8x4_mips.dds": dds(8, 4, 4, pf_fourcc(b"DXT5"), blocks(16)),
        "code21_2x2.dds": dds(2, 2, 1, pf_fourcc(21), rgba_bytes),
        "cube_argb_2x2_mips.dds": dds(2, 2, 2, pf_rgb(True), rgba_bytes, cube=True),
        "cube_dxt1_4x4.dds": dds(4, 4, 1, pf_fourcc(b"DXT1"), blocks(8), cube=True),
        "cube_l8_4x4_mips.dds": dds(4, 4, 3, pf_luminance(), l8_bytes, cube=True),
    }
    for name, data in images.items():
        write("dds", name, data)
        write("texture_image", name, data)
    write("texture_image", "rgba_3x2.png", png(3, 2, 6, [pixels(3, 1, y) for y in range(2)]))
    write("texture_image", "gray_5x3.png", png(5, 3, 0, [bytes(range(y, y + 5)) for y in range(3)]))
    write("texture_image", "rgb24_3x3.bmp", bmp(3, 3, 24))
    write("texture_image", "argb32_2x2.bmp", bmp(2, 2, 32))
    write("texture_image", "plain_3x2.tga", tga(3, 2, False))
    write("texture_image", "rle_4x2.tga", tga(4, 2, True))
    for name, data in {**picture_seeds(), **jpeg_seeds()}.items():
        write("texture_image", name, data)

    write("smd_reference", "crlf.smd",
          "version 1\r\nnodes\r\n0 \"root\" -1\r\n1 \"arm\" 0\r\nend\r\nskeleton\r\ntime 0\r\n"
          "0 0 0 0 0 0 0\r\n1 1 0 0 0 0 1.5\r\nend\r\ntriangles\r\nskin.bmp\r\n"
          "0 0 0 0 0 0 1 0 0\r\n1 1 0 0 0 0 1 1 0\r\n0 0 1 0 0 0 1 0 1\r\nend\r\n")
    write("smd_reference", "two_materials.smd",
          "version 1\nnodes\n0 \"root\" -1\nend\nskeleton\ntime 0\n0 0 0 0 0 0 0\nend\ntriangles\n"
          "a.bmp\n0 0 0 0 0 0 1 0 0\n0 1 0 0 0 0 1 1 0\n0 0 1 0 0 0 1 0 1\n"
          "b.bmp\n0 0 0 1 0 1 0 0 0\n0 1 0 1 0 1 0 1 0\n0 0 1 1 0 1 0 0 1\nend\n")
    write("smd_animation", "two_frames.smd",
          "version 1\nnodes\n0 \"root\" -1\n1 \"spine\" 0\n2 \"head\" 1\nend\nskeleton\ntime 0\n"
          "0 0 0 0 0 0 0\n1 0 0 4 0 0 0\n2 0 0 2 0 0 0\ntime 1\n0 1 0 0 0 0.5 0\n1 0 0 4 0.1 0 0\n"
          "2 0 0 2 0 0 0.2\nend\n")
    write("effect_source", "small.fx",
          "float4x4 World : WORLD;\ntexture Tex < string name = \"a.dds\"; >;\n"
          "sampler S = sampler_state { Texture = <Tex>; MinFilter = Linear; AddressU = Clamp; };\n"
          "float4 PS(float2 uv : TEXCOORD0) : COLOR { return tex2D(S, uv); }\n"
          "float4 VS(float4 p : POSITION) : POSITION { return mul(p, World); }\n"
          "technique T { pass P0 { CullMode = None; FillMode = Wireframe; ZEnable = true;\n"
          "  VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }\n")
    write("cp949", "overlay.txt", b"[\xb1\xa4\xbf\xf8]X:%f Y:%f Z:%f [\xa1\xe8\xa1\xe9] \x8c\x63")
    write("cp949", "messages.txt", b"SMD \xc6\xc4\xc0\xcf\xc0\xcc \xbe\xc6\xb4\xd5\xb4\xcf\xb4\xd9!!\n\xff\x80\xa1")
    write("input_script", "replay.txt",
          "# comment\n0 key 87\n1 rdown 400 300\n1 move 440 300\n1 rup 480 300\n2 key 32\n3 deactivate\n"
          "4 activate\n9 close\n")


if __name__ == "__main__":
    main()
