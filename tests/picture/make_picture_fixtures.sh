#!/usr/bin/env bash
# make_picture_fixtures.sh <folder>: writes the picture files the decoder and animation tests read,
# made by outside encoders (ImageMagick's convert, netpbm's ppmtopcx), each beside a reference
# picture (binary PPM) of the pixels it must decode to.
set -euo pipefail
out="$1"
mkdir -p "$out"
cd "$out"

# The source: a photo with odd sides, so that rows need padding in every format.
convert rose: -crop 69x45+0+0 +repage source.ppm
convert source.ppm -monochrome -depth 8 mono.ppm
for n in 4 16 64 200; do convert source.ppm +dither -colors "$n" -depth 8 "colours$n.ppm"; done

# PCX: 1 bit, 2 and 4 bits packed, 1 bit in 4 planes, 8 bits with the closing palette, 24 bits in
# 3 planes, from two encoders.
convert mono.ppm pbm:- | ppmtopcx > pcx1.pcx 2>/dev/null
ppmtopcx -packed colours4.ppm > pcx2.pcx 2>/dev/null
ppmtopcx -packed colours16.ppm > pcx4.pcx 2>/dev/null
ppmtopcx colours16.ppm > pcx4planes.pcx 2>/dev/null
ppmtopcx -8bit colours200.ppm > pcx8.pcx 2>/dev/null
convert source.ppm +dither -colors 200 pcx8-magick.pcx
convert pcx8-magick.pcx -depth 8 pcx8-magick.ppm
ppmtopcx -24bit source.ppm > pcx24.pcx 2>/dev/null
convert source.ppm -type TrueColor pcx24-magick.pcx

# BMP: 1, 4 and 8 bits with colour tables, RLE8, 16-bit fields, 24 and 32 bits, V3 and V5 headers.
convert mono.ppm -type bilevel BMP3:bmp1.bmp
convert source.ppm +dither -colors 16 -type palette BMP3:bmp4.bmp
convert source.ppm +dither -colors 200 -type palette -compress None BMP3:bmp8.bmp
convert source.ppm +dither -colors 200 -type palette -compress RLE BMP3:bmp8-rle.bmp
# ImageMagick rounds its colour tables apart from its quantised pixels: its own decoder of each
# file gives the reference.
for f in bmp4 bmp8 bmp8-rle; do convert "$f.bmp" -depth 8 "$f.ppm"; done
convert source.ppm -define bmp:subtype=RGB565 bmp16.bmp
convert bmp16.bmp -depth 8 bmp16.ppm
convert source.ppm BMP3:bmp24.bmp
convert source.ppm bmp24-v5.bmp
convert source.ppm -alpha set bmp32.bmp

# PNG: true colour, palette, 16-bit grey and true colour with transparency (drawn on white).
convert source.ppm png24.png
convert colours64.ppm PNG8:png8.png
convert source.ppm -colorspace gray -depth 16 png16-grey.png
convert png16-grey.png -depth 8 png16-grey.ppm
convert source.ppm -alpha set -channel A -fx 'i < 30 ? 1 : (i < 50 ? 0.5 : 0)' +channel png-alpha.png
convert png-alpha.png -background white -alpha remove -depth 8 png-alpha.ppm

# JPEG: the reference is the pixels ImageMagick's own decoder gives.
convert source.ppm -quality 92 photo.jpg
convert photo.jpg -depth 8 photo.ppm

# GIF: one still picture.
convert colours64.ppm still.gif

# Icons and cursors: the largest of three sizes is shown; transparent parts on white.
for s in 16 48 32; do convert source.ppm -resize "${s}x${s}!" "icon$s.png"; done
convert icon16.png icon48.png icon32.png icon.ico
convert icon48.png -depth 8 icon.ppm
convert icon48.png -alpha set -channel A -fx 'j < 24 ? 1 : 0' +channel icon-alpha48.png
convert icon-alpha48.png cursor.cur
convert icon-alpha48.png -background white -alpha remove -depth 8 cursor.ppm

# The animated GIF, 40 x 30, played twice: frame 0 red all over (kept); frame 1 blue at (5,5),
# cleared to the background afterwards; frame 2 green at (20,10), undone afterwards; frame 3
# yellow at (25,15) with a transparent pixel at (30,20).
convert -loop 2 \
  -dispose none -delay 20 -size 40x30 xc:red \
  -dispose background -delay 30 \( -size 10x10 xc:blue -repage 40x30+5+5 \) \
  -dispose previous -delay 40 \( -size 10x10 xc:lime -repage 40x30+20+10 \) \
  -dispose none -delay 50 \( -size 10x10 xc:yellow -alpha set -fill none -draw 'color 5,5 point' -repage 40x30+25+15 \) \
  animated.gif
convert 'animated.gif[0]' -depth 8 animated-first.ppm
