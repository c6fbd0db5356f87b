#!/usr/bin/python3
"""Compares what art_check.exe dumped with the artwork files."""
import os, re, sys
ART = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
sys.path.insert(0, ART)
import make_art as M

out = sys.argv[1]
log = open(os.path.join(out, 'log.txt')).read()
problems = []

def raw(name):
    data = open(os.path.join(out, name), 'rb').read()
    return [(data[i + 2], data[i + 1], data[i]) for i in range(0, len(data), 4)]

worst = 0
for name, _, sizes in M.ICONS:
    images = M.read_ico(open(os.path.join(ART, name), 'rb').read())
    for im in images:
        s = im.size[0]
        got = raw('ico_%s_%d.raw' % (name[:-4], s))
        for (r, g, b, a), p in zip(im.getdata(), got):
            want = [round(c * a / 255 + m * (255 - a) / 255)
                    for c, m in zip((r, g, b), (255, 0, 255))]
            d = max(abs(x - y) for x, y in zip(want, p))
            worst = max(worst, d)
            if d > 2:
                problems.append('%s %d: %r drawn as %r' % (name, s, (r, g, b, a), p))
                break
print('icons: DrawIconEx over magenta, worst channel difference %d' % worst)

face = int(re.search(r'COLOR_3DFACE ([0-9a-f]+)', log).group(1), 16)
face = (face & 255, face >> 8 & 255, face >> 16 & 255)
for name, rid, _ in M.BITMAPS:
    pal, rows = M.read_bmp(open(os.path.join(ART, name), 'rb').read())
    got = raw('bmp_%d.raw' % rid)
    want = [face if v == 0 else pal[v] for r in rows for v in r]
    if got != want:
        problems.append('bitmap %d differs' % rid)
print('bitmaps: background became COLOR_3DFACE %r, picture colours kept' % (face,))

for name, _, _, _, _ in M.CLIPS:
    clip = M.read_avi(open(os.path.join(ART, name), 'rb').read())
    for i, fr in enumerate(clip['frames']):
        got = raw('avi_%s_%02d.raw' % (name[:-4], i))
        want = [clip['palette'][v] for r in fr for v in r]
        if got != want:
            problems.append('%s frame %d differs' % (name, i))
    print('%s: %d frames drawn by the animation control match' % (name, len(clip['frames'])))

for p in problems:
    print('PROBLEM', p)
sys.exit(1 if problems else 0)
