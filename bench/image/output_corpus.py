#!/usr/bin/env python3
"""The folders on which two builds of px40318 are compared for equal output
(bench/image/compare_outputs.sh): every configuration folder under examples/ and
tests/fixtures, folders made of an example with one single-file fixture in place of its
file, the largest configuration, and mutated copies of all of them (values changed,
attributes removed, added or reordered, notes, text and declarations between rows, line
ends, quotes, files cut short or missing), made the same way every time.

    bench/image/output_corpus.py ROOT MAXIMAL_DIR OUT_DIR [MUTATED_COPIES]

ROOT is the source tree, MAXIMAL_DIR a folder written by write_maximal_configuration.
"""
import os, random, re, shutil, sys

root = sys.argv[1]          # the worktree
maxdir = sys.argv[2]        # the maximal configuration
out = sys.argv[3]
count = int(sys.argv[4]) if len(sys.argv) > 4 else 96
FILES = ["ParGen.xml", "RCobDef.xml", "TCobDef.xml", "RInfoCob.xml", "TInfoCob.xml"]
shutil.rmtree(out, ignore_errors=True)
os.makedirs(out)

def folders_with_config(top):
    for d, _, files in os.walk(top):
        if any(f in FILES for f in files):
            yield d

bases = {}
def add(name, src):
    dst = os.path.join(out, name)
    shutil.copytree(src, dst)
    bases[name] = dst

for top in ("examples", "tests/fixtures"):
    for d in sorted(folders_with_config(os.path.join(root, top))):
        add(os.path.relpath(d, root).replace("/", "_"), d)
add("maximal", maxdir)

# Single-file fixtures in a folder of an example.
single = {"rcobdef": "RCobDef.xml", "tcobdef": "TCobDef.xml", "tinfocob": "TInfoCob.xml",
          "rinfocob": "RInfoCob.xml", "pargen": "ParGen.xml"}
fixtures = []
for d, _, files in os.walk(os.path.join(root, "tests/fixtures")):
    for f in files:
        if f.endswith(".xml") and f not in FILES:
            fixtures.append(os.path.join(d, f))
for fx in sorted(fixtures):
    base = os.path.basename(fx).lower()
    target = None
    for k, v in single.items():
        if base.startswith(k):
            target = v
    if target is None and "/comm/" in fx:
        target = "ParGen.xml"
    if target is None:
        continue
    for ex in ("Conveyor_DipSwitch", "PumpStation_Jumper"):
        name = "single_" + ex + "_" + os.path.basename(fx)[:-4]
        dst = os.path.join(out, name)
        shutil.copytree(os.path.join(root, "examples", ex), dst)
        shutil.copy(fx, os.path.join(dst, target))
        bases[name] = dst

VALUES = ["", " 5", "5 ", "abc", "-1", "0x7FF", "$10", "99999999999", "1&#9;", "&amp;x", "\u00e9\u20ac", "&lt;a&gt;",
          "Y", "N", "y", " Y", "2.0A (11 bits)", "2.0B (29 bits)", "0", "4294967296", "+3", "x12", "65536", "70000",
          "1,2,3", "1,2,3,4,5,6,7,8,9", "300,1", "8", "9", "0", "2147483648", "-2147483649", "0x", "&quot;q&apos;",
          "\u00a0", "1000000000", "255", "17", "34", "120", "136", "153"]

def rows(text):
    return [m for m in re.finditer(r"<row\b[^>]*/>", text)]

def mutate(text, fname, rnd):
    kind = rnd.randrange(16)
    rs = rows(text)
    if kind <= 3 and rs:   # a value changed
        m = rnd.choice(rs)
        attrs = list(re.finditer(r'(\w+)="([^"]*)"', m.group(0)))
        if attrs:
            a = rnd.choice(attrs)
            s = m.start() + a.start(2)
            e = m.start() + a.end(2)
            return text[:s] + rnd.choice(VALUES) + text[e:]
    if kind == 4 and rs:   # an attribute removed
        m = rnd.choice(rs)
        attrs = list(re.finditer(r' (\w+)="([^"]*)"', m.group(0)))
        if attrs:
            a = rnd.choice(attrs)
            return text[:m.start() + a.start()] + text[m.start() + a.end():]
    if kind == 5 and rs:   # a comment or text or a processing instruction among the rows
        m = rnd.choice(rs)
        ins = rnd.choice(["<!-- note -->", "text", "<?pi x?>", "<![CDATA[c]]>", "&#160;", "\n  \t"])
        return text[:m.start()] + ins + text[m.start():]
    if kind == 6:          # a declaration or a note before the root
        return rnd.choice(['<?xml version="1.0" encoding="UTF-8"?>\n', "<?xml version='1.0'?>", '<?xml version="1.1"?>',
                           "<!-- first -->", '<?xml version="1.0" encoding="ISO-8859-1"?>', "\ufeff",
                           "<!DOCTYPE R>", ' ']) + text
    if kind == 7:          # line ends
        return text.replace("/><", "/>\r\n<")
    if kind == 8:          # broken
        return text[: rnd.randrange(max(1, len(text)))]
    if kind == 9 and rs:   # a row twice
        m = rnd.choice(rs)
        return text[:m.end()] + m.group(0) + text[m.end():]
    if kind == 10 and rs:  # a row removed
        m = rnd.choice(rs)
        return text[:m.start()] + text[m.end():]
    if kind == 11:         # single quotes
        return re.sub(r'="([^"]*)"', r"='\1'", text)
    if kind == 12 and fname == "ParGen.xml":
        el = rnd.choice(["Device_Type", "BaudRateCAN", "CANType", "CANTimeOut", "Port", "EN_GATEWAY", "FAST_BOOT"])
        return re.sub(r"<%s>[^<]*</%s>" % (el, el), "<%s>%s</%s>" % (el, rnd.choice(VALUES), el), text)
    if kind == 13 and rs:  # an attribute added or doubled
        m = rnd.choice(rs)
        add = rnd.choice([' Extra="1"', ' CobID="7"', ' Index="9"', ' a:b="1"'])
        return text[:m.start() + 4] + add + text[m.start() + 4:]
    if kind == 14 and rs:  # attributes reordered and spaced
        m = rnd.choice(rs)
        attrs = re.findall(r'(\w+)="([^"]*)"', m.group(0))
        rnd.shuffle(attrs)
        new = "<row" + "".join('  %s = "%s"' % a for a in attrs) + " />"
        return text[:m.start()] + new + text[m.end():]
    if kind == 15 and rs:  # a deeper element with text
        m = rnd.choice(rs)
        return text[:m.end() - 2] + "><x>t</x>w</row>" + text[m.end():]
    return text.replace("<row", "<row ", 1)

rnd = random.Random(24)
names = sorted(bases)
# Each folder in turn, and 24 more copies of the largest configuration.
plan = [names[n % len(names)] for n in range(count)] + ["maximal"] * 24
for n, base in enumerate(plan):
    dst = os.path.join(out, "mut%03d_%s" % (n, base))
    shutil.copytree(bases[base], dst)
    present = [f for f in FILES if os.path.exists(os.path.join(dst, f))]
    for _ in range(rnd.randint(1, 3)):
        if not present:
            break
        f = rnd.choice(present)
        p = os.path.join(dst, f)
        if rnd.random() < 0.05:
            os.remove(p)
            present.remove(f)
            continue
        with open(p, encoding="utf-8", errors="surrogateescape", newline="") as h:
            text = h.read()
        text = mutate(text, f, rnd)
        with open(p, "w", encoding="utf-8", errors="surrogateescape", newline="") as h:
            h.write(text)
print(len(os.listdir(out)), "folders")
