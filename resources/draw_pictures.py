#!/usr/bin/python3
"""Draws the two window pictures, resources/splash.jpg and resources/main_window.jpg,
and the program's icon for the Linux desktop, resources/linux/rvdatebackup.png.

Deterministic (fixed random seed, fixed font), so running it again gives the
same pictures. Run from anywhere:  resources/draw_pictures.py
"""
import random
from pathlib import Path

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = Path(__file__).resolve().parent
FONT_FILE = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"

SPLASH_SIZE = (506, 176)
MAIN_WINDOW_SIZE = (500, 250)
ICON_SIZE = (128, 128)

# The splash labels lie at x >= 216, y >= 96: keep that corner empty.
LABEL_AREA_TOP = 96
TEXT_LEFT = 216


def font(size):
    return ImageFont.truetype(FONT_FILE, size)


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def draw_stripes(image, left):
    """Pale green horizontal stripes that fade to white towards the right."""
    width, height = image.size
    pixels = image.load()
    stripe_green = (196, 232, 196)
    between = (228, 246, 228)
    white = (255, 255, 255)
    for y in range(height):
        base = stripe_green if (y // 4) % 2 == 0 else between
        for x in range(left, width):
            t = min(1.0, ((x - left) / (width - left)) ** 0.8)
            pixels[x, y] = lerp(base, white, t)


def draw_notebook_and_hands(image):
    """A notebook computer seen from the user's seat, two hands on its keys."""
    draw = ImageDraw.Draw(image)
    width = 200
    # Desk and wall behind the computer.
    for y in range(image.size[1]):
        draw.line([(0, y), (width, y)], fill=lerp((92, 120, 104), (150, 168, 150), y / image.size[1]))
    # Screen: dark frame, bluish glowing panel.
    draw.polygon([(38, 6), (170, 6), (176, 78), (32, 78)], fill=(40, 44, 52))
    draw.polygon([(44, 11), (164, 11), (169, 72), (39, 72)], fill=(120, 168, 210))
    for row in range(5):
        y = 20 + row * 10
        draw.line([(52, y), (52 + 60 + (row * 17) % 45, y)], fill=(230, 240, 250), width=2)
    # Base with the keyboard, in perspective.
    draw.polygon([(30, 80), (178, 80), (199, 150), (9, 150)], fill=(178, 182, 190))
    draw.polygon([(30, 80), (178, 80), (180, 84), (28, 84)], fill=(120, 124, 132))
    for row in range(5):
        top = 88 + row * 9
        t0 = (top - 80) / 70
        t1 = (top + 7 - 80) / 70
        left0, right0 = 30 - 21 * t0 + 8, 178 + 21 * t0 - 8
        left1, right1 = 30 - 21 * t1 + 8, 178 + 21 * t1 - 8
        keys = 13
        for k in range(keys):
            a0 = left0 + (right0 - left0) * k / keys
            b0 = left0 + (right0 - left0) * (k + 0.8) / keys
            a1 = left1 + (right1 - left1) * k / keys
            b1 = left1 + (right1 - left1) * (k + 0.8) / keys
            draw.polygon([(a0, top), (b0, top), (b1, top + 7), (a1, top + 7)], fill=(58, 60, 66))
    # Two hands: palms at the lower edge, fingers resting on the keys.
    skin, shade = (236, 196, 164), (206, 160, 128)
    for centre, direction in ((62, 1), (146, -1)):
        draw.ellipse([centre - 30, 128, centre + 30, 190], fill=skin, outline=shade)
        for finger in range(4):
            x = centre - 21 + finger * 14
            length = 30 if finger in (1, 2) else 24
            draw.rounded_rectangle([x - 5, 128 - length, x + 5, 140], radius=5, fill=skin, outline=shade)
        thumb_x = centre + direction * 30
        draw.ellipse([thumb_x - 9, 120, thumb_x + 9, 150], fill=skin, outline=shade)
    return image.filter(ImageFilter.SMOOTH)


def draw_splash():
    image = Image.new("RGB", SPLASH_SIZE, (255, 255, 255))
    draw_stripes(image, 200)
    illustration = draw_notebook_and_hands(Image.new("RGB", SPLASH_SIZE, (255, 255, 255)))
    image.paste(illustration.crop((0, 0, 200, SPLASH_SIZE[1])), (0, 0))
    draw = ImageDraw.Draw(image)
    draw.text((TEXT_LEFT + 4, 10), "Copyright (C) RVシステム  All rights reserved.", font=font(11),
              fill=(40, 110, 40))
    # The product title, with a soft shadow, ending above the label corner.
    title = "RVシステム"
    draw.text((TEXT_LEFT + 2, 38), title, font=font(44), fill=(150, 200, 150))
    draw.text((TEXT_LEFT, 36), title, font=font(44), fill=(0, 128, 0))
    bottom = draw.textbbox((TEXT_LEFT, 36), title, font=font(44))[3]
    assert bottom < LABEL_AREA_TOP, "the title must stay clear of the labels"
    return image


def paper_texture(size, seed):
    """Pale green with fibres and grain, like handmade paper."""
    rng = random.Random(seed)
    width, height = size
    image = Image.new("RGB", size, (214, 236, 206))
    pixels = image.load()
    for y in range(height):
        for x in range(width):
            grain = rng.randint(-6, 6)
            r, g, b = pixels[x, y]
            pixels[x, y] = (r + grain, g + grain, b + grain)
    draw = ImageDraw.Draw(image)
    for _ in range(260):
        x, y = rng.randrange(width), rng.randrange(height)
        dx, dy = rng.randint(-9, 9), rng.randint(-4, 4)
        tone = rng.choice([(200, 226, 192), (226, 244, 220)])
        draw.line([(x, y), (x + dx, y + dy)], fill=tone)
    return image.filter(ImageFilter.SMOOTH)


def draw_bevel(image, depth):
    """A slightly darker green frame, lit from the top left."""
    width, height = image.size
    draw = ImageDraw.Draw(image)
    light, dark = (150, 196, 140), (86, 136, 80)
    for i in range(depth):
        draw.line([(i, i), (width - 1 - i, i)], fill=light)
        draw.line([(i, i), (i, height - 1 - i)], fill=light)
        draw.line([(i, height - 1 - i), (width - 1 - i, height - 1 - i)], fill=dark)
        draw.line([(width - 1 - i, i), (width - 1 - i, height - 1 - i)], fill=dark)
    return image


def draw_main_window():
    return draw_bevel(paper_texture(MAIN_WINDOW_SIZE, seed=20), depth=6)


def draw_icon():
    """The main window's green panel with "RV" over a disk that a copy goes into."""
    image = draw_bevel(paper_texture(ICON_SIZE, seed=21), depth=5)
    draw = ImageDraw.Draw(image)
    draw.text((64, 40), "RV", font=font(52), fill=(0, 110, 0), anchor="mm")
    # A disk seen from the front, with its light, and an arrow into it.
    draw.rounded_rectangle([26, 84, 102, 112], radius=5, fill=(70, 96, 120), outline=(40, 60, 80), width=2)
    draw.ellipse([88, 94, 96, 102], fill=(120, 230, 120))
    draw.polygon([(56, 66), (72, 66), (72, 76), (80, 76), (64, 90), (48, 76), (56, 76)], fill=(220, 120, 40))
    return image


def main():
    draw_splash().save(HERE / "splash.jpg", "JPEG", quality=92)
    draw_main_window().save(HERE / "main_window.jpg", "JPEG", quality=92)
    draw_icon().save(HERE / "linux" / "rvdatebackup.png", "PNG")


if __name__ == "__main__":
    main()
