#!/usr/bin/env python3
"""Writes the small seed files of fuzz/corpus/: DDS in every layout the reader accepts, BMP, TGA
and PNG pictures, and short texts for the text readers. The JPG seed is made with ImageMagick
when `convert` is present. Deterministic; rerun after changing it and commit the result."""
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
    if shutil.which("convert"):
        jpg = subprocess.run(["convert", "-size", "16x8", "gradient:red-blue", "-quality", "50", "-strip", "jpg:-"],
                             check=True, capture_output=True).stdout
        write("texture_image", "gradient_16x8.jpg", jpg)
    else:
        print("make_seeds: no ImageMagick convert; the JPG seed is left out", file=sys.stderr)

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
