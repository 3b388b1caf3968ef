#!/usr/bin/env python3
"""Writes the fuzzers' seed corpora (corpus/<harness>/) from the generated
scene data, the effect sources, the docs' input scripts and the small
crafted files in crafted/. Run it after building (it needs the build
folder's data/ and xconvert):

    tests/fuzz/make_seeds.py [BUILD_DIR]

The corpora are kept in the repository; inputs of past findings
(corpus/<harness>/finding-*) are left alone. The output is the same on
every run."""

import os
import shutil
import struct
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
DATA = os.path.join(BUILD, "data")
CRAFTED = os.path.join(HERE, "crafted")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def corpus(name):
    path = os.path.join(HERE, "corpus", name)
    os.makedirs(path, exist_ok=True)
    for entry in os.listdir(path):
        if not entry.startswith("finding-"):
            os.remove(os.path.join(path, entry))
    return path


def seed(name, file, data):
    with open(os.path.join(corpus_dirs[name], file), "wb") as f:
        f.write(data)


def encode(text_path, form, bits):
    out = os.path.join(BUILD, "seed.tmp.x")
    subprocess.run([os.path.join(BUILD, "tools", "xconvert", "xconvert"), form, str(bits), text_path, out],
                   check=True, stdout=subprocess.DEVNULL)
    data = read(out)
    os.remove(out)
    return data


HARNESSES = ["xfile_text", "xfile_binary", "xfile_compressed", "bone_file", "pose_file", "text_file",
             "udt_material", "wave_sound", "png_texture", "display_config", "input_script", "effect_source"]
corpus_dirs = {name: corpus(name) for name in HARNESSES}

# .x: the crafted files and the crate, in every form; the harnesses add the
# header themselves, so the seeds start after it (behind a selector byte).
x_files = [os.path.join(CRAFTED, "quad.x"), os.path.join(CRAFTED, "frames.x"),
           os.path.join(DATA, "obj", "tex92_box.x")]
for path in x_files:
    stem = os.path.splitext(os.path.basename(path))[0]
    seed("xfile_text", stem, read(path)[16:])
    for bits, selector in ((32, 0), (64, 1)):
        seed("xfile_binary", "%s-%d" % (stem, bits), bytes([selector]) + encode(path, "bin", bits)[16:])
    for form, bits, selector in (("tzip", 32, 0), ("bzip", 32, 1), ("bzip", 64, 3)):
        seed("xfile_compressed", "%s-%s%d" % (stem, form, bits), bytes([selector]) + encode(path, form, bits)[16:])


# .bone and .pose: the fighter's files and small ones made here.
def name32(text):
    return text.encode().ljust(32, b"\0")


seed("bone_file", "body.bone", read(os.path.join(DATA, "char", "body.bone")))
small_bone = b"BF01" + struct.pack("<i", 3)
small_bone += struct.pack("<i", -1) + name32("root") + struct.pack("<3fii", 0, 1, 0, 2, 0)
small_bone += struct.pack("<2i2f", 0, 1, 1.0, 0.5)
small_bone += struct.pack("<i", 0) + name32("spine") + struct.pack("<3fii", 0, 0.5, 0, 1, 2)
small_bone += struct.pack("<if", 1, 0.5)
small_bone += struct.pack("<i", 1) + name32("head") + struct.pack("<3fii", 0, 0.5, 0, 0, 1)
seed("bone_file", "small.bone", small_bone)
seed("pose_file", "body.pose", read(os.path.join(DATA, "char", "body.pose")))
small_pose = b"PF00" + struct.pack("<i", 2) + name32("root") + name32("head") + struct.pack("<i", 2)
small_pose += name32("stand") + struct.pack("<6f", 0, 0, 0, 0.1, 0.2, 0.3)
small_pose += name32("kick1") + struct.pack("<6f", 1, 0, 0, 0, 0, -1)
seed("pose_file", "small.pose", small_pose)

# Text files and materials: the scene's .udt files and the crafted ones.
udt_files = sorted(os.path.join(DATA, d, f) for d in ("char", "map", "obj")
                   for f in os.listdir(os.path.join(DATA, d)) if f.endswith(".udt"))
udt_files += [os.path.join(CRAFTED, f) for f in ("crlf.udt", "hair.udt", "full.udt")]
for path in udt_files:
    base = os.path.basename(path)
    seed("text_file", base, read(path))
    for selector in (0, 1):
        seed("udt_material", "%s-%d" % (base, selector), bytes([selector]) + read(path))
seed("text_file", "lines.txt", read(os.path.join(CRAFTED, "lines.txt")))
seed("text_file", "long-line", b"x" * 3000 + b"\r\n\r\nlast")


# Wave files: the start of a scene sound and small ones in every shape the
# reader meets (8 and 16 bits, stereo, float, extra chunks, a pad byte).
def wave(channels, bits, samples, tag=1, extra=b"", rate=22050):
    block = channels * bits // 8
    fmt = struct.pack("<HHIIHH", tag, channels, rate, rate * block, block, bits)
    data = samples
    chunks = b"fmt " + struct.pack("<I", len(fmt)) + fmt + extra
    chunks += b"data" + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")
    return b"RIFF" + struct.pack("<I", 4 + len(chunks)) + b"WAVE" + chunks


un = read(os.path.join(DATA, "sound", "un.wav"))
fmt_size = struct.unpack("<I", un[16:20])[0]
fmt = un[20:20 + fmt_size]
channels, rate, bits = struct.unpack("<H", fmt[2:4])[0], struct.unpack("<I", fmt[4:8])[0], struct.unpack("<H", fmt[14:16])[0]
data_at = un.index(b"data")
seed("wave_sound", "un-start.wav", wave(channels, bits, un[data_at + 8:data_at + 8 + 256], rate=rate))
seed("wave_sound", "mono8.wav", wave(1, 8, bytes(range(0, 250, 5))))
seed("wave_sound", "mono16-odd.wav", wave(1, 16, struct.pack("<5h", 0, 1000, -1000, 32767, -32768) + b"\x01"))
seed("wave_sound", "stereo16.wav", wave(2, 16, struct.pack("<4h", 0, 1, 2, 3)))
seed("wave_sound", "float.wav", wave(1, 32, struct.pack("<2f", 0.5, -0.5), tag=3))
seed("wave_sound", "list-chunk.wav", wave(1, 16, struct.pack("<4h", 5, 6, 7, 8), extra=b"LIST\x04\0\0\0INFO"))


# PNG files: the scene's small effect textures and crafted ones of every
# colour type, a palette with transparency and an interlaced one.
def png(width, height, colour_type, depth, rows, extra_chunks=(), interlace=0):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, interlace)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    for kind, body in extra_chunks:
        out += chunk(kind, body)
    out += chunk(b"IDAT", zlib.compress(b"".join(b"\0" + row for row in rows), 9)) + chunk(b"IEND", b"")
    return out


for name in ("shadow.png", "blood1.png", "scr_blur.png"):
    seed("png_texture", name, b"\0" + read(os.path.join(DATA, "effect", name)))
seed("png_texture", "grey8.png", b"\1" + png(3, 2, 0, 8, [b"\x00\x80\xff", b"\x10\x20\x30"]))
seed("png_texture", "grey-alpha.png", b"\0" + png(2, 2, 4, 8, [b"\x00\xff\x80\x80", b"\xff\x00\x10\x10"]))
seed("png_texture", "rgb16.png", b"\1" + png(1, 2, 2, 16, [b"\xff\xff\0\0\0\0", b"\0\0\xff\xff\0\0"]))
seed("png_texture", "palette-trns.png", b"\0" + png(4, 1, 3, 2, [b"\x1b"], [(b"PLTE", b"\xff\0\0\0\xff\0\0\0\xff\xff\xff\xff"), (b"tRNS", b"\x00\x80")]))
seed("png_texture", "rgba-interlaced.png", b"\0" + png(3, 3, 6, 8, [b"\x01\x02\x03\x04" * 3] * 3, interlace=1))

# The display-configuration line.
for i, line in enumerate([b"1024,768,1,0", b"800,600,1,1\n", b"1280,960,0,0\r\nsecond line\n", b" 64 , 8192 ,0,7",
                          b"100000,1,1,1", b"640,480,-1,x"]):
    seed("display_config", "line-%d" % i, line)

# Input scripts: the docs' scripts and a crafted one.
for name in ("screenshot-input.txt", "explosion-input.txt"):
    seed("input_script", name, read(os.path.join(ROOT, "docs", name)))
seed("input_script", "script.txt", read(os.path.join(CRAFTED, "script.txt")))

# Effects: the game's two and the test effect.
for path in (os.path.join(ROOT, "src", "render", "shaders", "material.fx"),
             os.path.join(ROOT, "src", "render", "shaders", "screen.fx"),
             os.path.join(ROOT, "tests", "platform", "d3dx9", "data", "effect_test.fx")):
    seed("effect_source", os.path.basename(path), read(path))

for name in HARNESSES:
    print("%-18s %3d seeds" % (name, len(os.listdir(corpus_dirs[name]))))
