#!/usr/bin/python3
"""Times tessellon-merge beside other tools that build a grid of photos, and
our PNG and GIF saves beside Pillow's.

Run through bench/peer_merge.sh, which installs the tools and the photos and
builds tessellon-merge and save_timer in Release. Three sub-commands:

  peer_merge.py run --merge PATH --saver PATH [--rounds N] [--work DIR] [--part P]
      the benchmark: both grids, every tool, round robin, then the table; then
      the saves of the 48-photo grid as PNG at level 9 and as GIF, ours and
      Pillow's in turn, and their table (--part merge or save runs one half);
  peer_merge.py pillow --rows R --cols C --cell WxH --space N --quality Q -o OUT FILES
      the Pillow peer, run as its own process so that its start-up counts as
      the other tools' does;
  peer_merge.py pillow-save INPUT png LEVEL OUTPUT | INPUT gif OUTPUT
      Pillow's save of a picture, timed inside the process as save_timer
      times ours; prints the seconds.

Wall time is measured around each process; peak memory is the maximum
resident set size that wait4() reports for it (for a tool run as several
processes, the largest of them). A save's time is the one the process prints:
the encoding and writing of the file, without start-up and decoding.
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

PHOTO_PACKAGES = [
    "lomiri-wallpapers-16.04",
    "lomiri-wallpapers-20.04",
    "mate-backgrounds",
    "plasma-workspace-wallpapers",
]

# rows, cols, cell width, cell height; the gap, colours and quality are common.
GRIDS = [(6, 8, 400, 300), (10, 10, 256, 192)]
SPACE = 10
QUALITY = 90

# tessellon-merge against the fastest peer, on the median wall time.
TARGET_RATIO = 0.6
TARGET_PEAK_MIB = 250.0

# The saves of the 48-photo grid: name, the format's arguments of save_timer
# and pillow-save, and the most our median save time may be against Pillow's.
SAVES = [("PNG level 9", ["png", "9"], 0.5), ("GIF", ["gif"], 1.0)]


def pillow_merge(argv):
    from PIL import Image

    p = argparse.ArgumentParser(prog="peer_merge.py pillow")
    p.add_argument("--rows", type=int, required=True)
    p.add_argument("--cols", type=int, required=True)
    p.add_argument("--cell", required=True)
    p.add_argument("--space", type=int, required=True)
    p.add_argument("--quality", type=int, required=True)
    p.add_argument("-o", dest="output", required=True)
    p.add_argument("files", nargs="+")
    a = p.parse_args(argv)
    cw, ch = (int(v) for v in a.cell.lower().split("x"))
    width = a.cols * cw + (a.cols + 1) * a.space
    height = a.rows * ch + (a.rows + 1) * a.space
    canvas = Image.new("RGB", (width, height), (255, 255, 255))
    for i, name in enumerate(a.files[: a.rows * a.cols]):
        with Image.open(name) as im:
            im.draft("RGB", (cw, ch))  # libjpeg scaled decoding, at least the cell
            im.thumbnail((cw, ch))  # kept ratio, inside the cell
            if im.mode != "RGB":
                im = im.convert("RGB")
            row, col = divmod(i, a.cols)
            x = a.space + col * (cw + a.space) + (cw - im.width) // 2
            y = a.space + row * (ch + a.space) + (ch - im.height) // 2
            canvas.paste(im, (x, y))
    canvas.save(a.output, quality=a.quality)
    return 0


def pillow_save(argv):
    from PIL import Image

    if not ((len(argv) == 4 and argv[1] == "png") or (len(argv) == 3 and argv[1] == "gif")):
        print("usage: peer_merge.py pillow-save INPUT png LEVEL OUTPUT | INPUT gif OUTPUT",
              file=sys.stderr)
        return 2
    with Image.open(argv[0]) as im:
        im.load()
        if im.mode != "RGB":
            im = im.convert("RGB")
        start = time.perf_counter()
        if argv[1] == "png":
            im.save(argv[-1], format="PNG", compress_level=int(argv[2]))
        else:
            im.save(argv[-1], format="GIF")
        print("%.6f" % (time.perf_counter() - start))
    return 0


def package_jpegs(package):
    out = subprocess.run(["dpkg", "-L", package], capture_output=True, text=True)
    return [line for line in out.stdout.splitlines() if re.search(r"\.jpe?g$", line, re.I)]


def select_photos():
    """One file per distinct picture: the largest copy of each wallpaper.

    The wallpaper packages ship some pictures at several sizes (a folder per
    wallpaper, or a _WIDTHxHEIGHT suffix); previews are left out.
    """
    from PIL import Image

    best = {}
    for package in PHOTO_PACKAGES:
        for path in package_jpegs(package):
            if os.path.basename(path).lower().startswith("screenshot"):
                continue
            if "/contents/" in path:
                key = path.split("/contents/")[0]
            else:
                key = re.sub(r"_\d+x\d+(?=\.jpe?g$)", "", path, flags=re.I)
            with Image.open(path) as im:
                pixels = im.width * im.height
            if key not in best or pixels > best[key][0]:
                best[key] = (pixels, path)
    return [best[k][1] for k in sorted(best)]


def make_inputs(photos, count, folder):
    """count numbered links to the photos, reusing them in turn when there are too few."""
    os.makedirs(folder, exist_ok=True)
    files = []
    for i in range(count):
        link = os.path.join(folder, "%03d.jpg" % i)
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(photos[i % len(photos)], link)
        files.append(link)
    return files


def run_process(argv, output=None):
    """(wall seconds, CPU seconds, peak RSS in KiB) of one process; raises on a
    non-zero exit. With output, a list, what the process printed is appended
    to it (a few lines at most: it is read once the process has ended)."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL if output is None else subprocess.PIPE,
                            stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    if output is not None:
        output.append(proc.stdout.read().decode(errors="replace"))
        proc.stdout.close()
    if proc.returncode != 0:
        raise RuntimeError("%s exited with %d:\n%s" % (argv[0], proc.returncode, err[-2000:]))
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def tool_commands(merge, grid, files, out_dir, also=()):
    """name -> command lines run one after the other; name -> output file."""
    rows, cols, cw, ch = grid
    cell = "%dx%d" % (cw, ch)
    tag = "%dx%d" % (cols, rows)
    outs = {}

    def out(name, stem):
        outs[name] = os.path.join(out_dir, "%s-%s.jpg" % (stem, tag))
        return outs[name]

    def merge_command(program, output):
        return [program, "--quiet", "--rows", str(rows), "--cols", str(cols), "--cell", cell,
                "--space", str(SPACE), "--fit", "keep", "--fill", "#FFFFFF", "--bg", "#FFFFFF",
                "--quality", str(QUALITY), "-o", output] + files

    tools = {}
    tools["tessellon-merge"] = [merge_command(merge, out("tessellon-merge", "tessellon"))]
    # Other builds of tessellon-merge, to compare a change with what it replaces.
    for i, (name, program) in enumerate(also):
        tools[name] = [merge_command(program, out(name, "tessellon-also%d" % i))]
    # montage puts half the gap on each side of a tile, so the outer margin is
    # 5 pixels instead of 10 (the picture is 20 pixels smaller each way).
    # ImageMagick turns chroma subsampling off from quality 90 on; 2x2 asks
    # for the 4:2:0 that the other tools write.
    montage = ["montage", "-tile", "%dx%d" % (cols, rows),
               "-geometry", "%s+%d+%d" % (cell, SPACE // 2, SPACE // 2),
               "-background", "white", "-gravity", "center",
               "-quality", str(QUALITY), "-sampling-factor", "2x2"]
    tools["montage"] = [montage + files + [out("montage", "montage")]]
    tools["montage jpeg:size"] = [
        montage + ["-define", "jpeg:size=" + cell] + files + [out("montage jpeg:size", "montage-jpegsize")]
    ]
    # vipsthumbnail shrinks on load; arrayjoin lays the thumbnails on a grid
    # with the gap between cells but none around the outside (the picture is
    # 20 pixels smaller each way).
    thumbs = os.path.join(out_dir, "vips-" + tag)
    shutil.rmtree(thumbs, ignore_errors=True)
    os.makedirs(thumbs)
    thumb_files = [os.path.join(thumbs, os.path.splitext(os.path.basename(f))[0] + ".v")
                   for f in files]
    tools["libvips"] = [
        ["vipsthumbnail", "--size", cell, "-o", os.path.join(thumbs, "%s.v")] + files,
        ["vips", "arrayjoin", " ".join(thumb_files),
         out("libvips", "vips") + "[Q=%d,subsample-mode=on]" % QUALITY,
         "--across", str(cols), "--shim", str(SPACE), "--hspacing", str(cw),
         "--vspacing", str(ch), "--halign", "centre", "--valign", "centre",
         "--background", "255"],
    ]
    tools["Pillow draft"] = [
        [sys.executable, os.path.abspath(__file__), "pillow", "--rows", str(rows),
         "--cols", str(cols), "--cell", cell, "--space", str(SPACE),
         "--quality", str(QUALITY), "-o", out("Pillow draft", "pillow")] + files
    ]
    return tools, outs


def uptime():
    with open("/proc/loadavg") as f:
        return "load average " + ", ".join(f.read().split()[:3])


def picture_size(path):
    from PIL import Image

    with Image.open(path) as im:
        return "%dx%d" % im.size


def run_merges(a, photos, out_dir):
    """Times the merges of both grids; one verdict per grid."""
    also = [tuple(v.split("=", 1)) for v in a.also]
    plans = []
    for grid in GRIDS:
        n = grid[0] * grid[1]
        files = make_inputs(photos, n, os.path.join(a.work, "photos-%d" % n))
        for f in files:  # every tool finds the files in the page cache
            with open(f, "rb") as fh:
                while fh.read(1 << 20):
                    pass
        tools, outs = tool_commands(a.merge, grid, files, out_dir, also)
        if a.only:
            words = a.only.split(",")
            tools = {k: v for k, v in tools.items() if any(w in k for w in words)}
        plans.append((grid, tools, outs))

    print("before: " + uptime())
    times = {}
    cpus = {}
    peaks = {}
    for r in range(a.rounds):
        for grid, tools, _ in plans:
            names = list(tools)
            shift = r % len(names)  # each tool takes each place in the order in turn
            for name in names[shift:] + names[:shift]:
                wall, cpu, peak = 0.0, 0.0, 0
                for cmd in tools[name]:
                    w, c, m = run_process(cmd)
                    wall += w
                    cpu += c
                    peak = max(peak, m)
                times.setdefault((grid, name), []).append(wall)
                cpus.setdefault((grid, name), []).append(cpu)
                peaks[(grid, name)] = max(peaks.get((grid, name), 0), peak)
        print("round %d of %d done, %s" % (r + 1, a.rounds, uptime()), flush=True)
    print("after: " + uptime())

    verdicts = []
    for grid, tools, outs in plans:
        rows, cols, cw, ch = grid
        print("\n%d photos, %d x %d cells of %d x %d, gap %d, kept ratio on white, JPEG quality %d"
              % (rows * cols, rows, cols, cw, ch, SPACE, QUALITY))
        medians = {name: statistics.median(times[(grid, name)]) for name in tools}
        ours = {"tessellon-merge"} | {name for name, _ in also}
        peers = [name for name in tools if name not in ours]
        fastest = min(peers, key=lambda n: medians[n]) if peers else None
        # CPU is user + system time of the tool's processes: on a machine
        # shared with other work it shows what the wall time cannot.
        print("  %-18s %9s %7s %7s %10s %8s %10s" % ("tool", "median s", "min s", "max s",
                                                  "x fastest", "CPU s", "peak MiB"))
        for name in tools:
            t = times[(grid, name)]
            ratio = medians[name] / medians[fastest] if fastest else float("nan")
            print("  %-18s %9.3f %7.3f %7.3f %10.2f %8.3f %10.1f   %s"
                  % (name, medians[name], min(t), max(t), ratio,
                     statistics.median(cpus[(grid, name)]), peaks[(grid, name)] / 1024.0,
                     picture_size(outs[name])))
        if fastest and "tessellon-merge" in tools:
            ratio = medians["tessellon-merge"] / medians[fastest]
            peak = peaks[(grid, "tessellon-merge")] / 1024.0
            ok = ratio <= TARGET_RATIO and peak <= TARGET_PEAK_MIB
            verdicts.append(ok)
            print("  target: at most %.1f x the fastest peer (%s) and %.0f MiB: %.2f x, %.1f MiB: %s"
                  % (TARGET_RATIO, fastest, TARGET_PEAK_MIB, ratio, peak,
                     "met" if ok else "MISSED"))
    return verdicts


def run_saves(a, photos, out_dir):
    """Times our saves and Pillow's of the 48-photo grid; one verdict per format."""
    rows, cols, cw, ch = GRIDS[0]
    files = make_inputs(photos, rows * cols, os.path.join(a.work, "photos-%d" % (rows * cols)))
    # The picture both save: the merge of the grid, kept losslessly.
    grid = os.path.join(out_dir, "grid-%dx%d.png" % (cols, rows))
    run_process([a.merge, "--quiet", "--rows", str(rows), "--cols", str(cols),
                 "--cell", "%dx%d" % (cw, ch), "--space", str(SPACE), "--fit", "keep",
                 "--fill", "#FFFFFF", "--bg", "#FFFFFF", "--format", "png", "--png-level", "1",
                 "-o", grid] + files)
    tools = {
        "tessellon": [a.saver],
        "Pillow": [sys.executable, os.path.abspath(__file__), "pillow-save"],
    }
    print("\nsaves: before: " + uptime())
    times, walls, peaks, outs = {}, {}, {}, {}
    for r in range(a.rounds):
        for save, args, _ in SAVES:
            names = list(tools)
            shift = r % len(names)
            for name in names[shift:] + names[:shift]:
                ext = args[0]
                out = os.path.join(out_dir, "save-%s-%s.%s" % (name, "-".join(args), ext))
                printed = []
                wall, _, peak = run_process(tools[name] + [grid] + args + [out], printed)
                times.setdefault((save, name), []).append(float(printed[0].split()[0]))
                walls.setdefault((save, name), []).append(wall)
                peaks[(save, name)] = max(peaks.get((save, name), 0), peak)
                outs[(save, name)] = out
        print("round %d of %d done, %s" % (r + 1, a.rounds, uptime()), flush=True)
    print("after: " + uptime())

    verdicts = []
    print("\nSaving the %d-photo grid (%s, merged by tessellon-merge); the save time is "
          "the encoding and writing inside the process" % (rows * cols, picture_size(grid)))
    print("  %-12s %-10s %9s %7s %7s %9s %10s %9s %9s" % ("format", "tool", "median s", "min s",
                                                         "max s", "x Pillow", "process s",
                                                         "peak MiB", "file KiB"))
    for save, _, target in SAVES:
        medians = {name: statistics.median(times[(save, name)]) for name in tools}
        for name in tools:
            t = times[(save, name)]
            print("  %-12s %-10s %9.3f %7.3f %7.3f %9.2f %10.3f %9.1f %9.0f"
                  % (save, name, medians[name], min(t), max(t), medians[name] / medians["Pillow"],
                     statistics.median(walls[(save, name)]), peaks[(save, name)] / 1024.0,
                     os.path.getsize(outs[(save, name)]) / 1024.0))
        ratio = medians["tessellon"] / medians["Pillow"]
        ok = ratio <= target
        verdicts.append(ok)
        print("  target: at most %.1f x Pillow's time: %.2f x: %s"
              % (target, ratio, "met" if ok else "MISSED"))
    return verdicts


def run(argv):
    p = argparse.ArgumentParser(prog="peer_merge.py run")
    p.add_argument("--merge", required=True, help="the tessellon-merge executable")
    p.add_argument("--saver", help="the save_timer executable (needed for the saves)")
    p.add_argument("--part", choices=("merge", "save", "both"), default="both",
                   help="time the merges, the saves or both (the default)")
    p.add_argument("--rounds", type=int, default=5)
    p.add_argument("--work", default="/tmp/tessellon-peer-merge")
    p.add_argument("--only", help="time only the tools whose name contains one of these "
                   "comma-separated words")
    p.add_argument("--also", action="append", default=[], metavar="NAME=PATH",
                   help="time another tessellon-merge build beside the rest (not a peer)")
    a = p.parse_args(argv)
    if a.part != "merge" and not a.saver:
        p.error("the saves need --saver")

    photos = select_photos()
    print("%d distinct photos from %s" % (len(photos), ", ".join(PHOTO_PACKAGES)))
    for grid in GRIDS:
        n = grid[0] * grid[1]
        if n > len(photos):
            print("  the %d-photo grid reuses %d of them a second time (or more)"
                  % (n, n - len(photos)))
    os.makedirs(a.work, exist_ok=True)
    # Debian's ImageMagick policy caps the pixel cache at 256 MiB of memory and
    # 1 GiB of disk, too little for montage to hold 48 full-size photos; a
    # policy of our own takes its place for this run.
    policy_dir = os.path.join(a.work, "magick")
    os.makedirs(policy_dir, exist_ok=True)
    with open(os.path.join(policy_dir, "policy.xml"), "w") as f:
        f.write('<policymap>\n'
                '  <policy domain="resource" name="memory" value="16GiB"/>\n'
                '  <policy domain="resource" name="map" value="16GiB"/>\n'
                '  <policy domain="resource" name="disk" value="16GiB"/>\n'
                '  <policy domain="resource" name="area" value="1GP"/>\n'
                '</policymap>\n')
    os.environ["MAGICK_CONFIGURE_PATH"] = policy_dir
    out_dir = os.path.join(a.work, "out")
    os.makedirs(out_dir, exist_ok=True)

    verdicts = []
    if a.part in ("merge", "both"):
        verdicts += run_merges(a, photos, out_dir)
    if a.part in ("save", "both"):
        verdicts += run_saves(a, photos, out_dir)
    print("\noutputs in " + out_dir)
    return 0 if all(verdicts) else 3


def main():
    if len(sys.argv) < 2 or sys.argv[1] not in ("run", "pillow", "pillow-save"):
        print(__doc__, file=sys.stderr)
        return 2
    if sys.argv[1] == "pillow":
        return pillow_merge(sys.argv[2:])
    if sys.argv[1] == "pillow-save":
        return pillow_save(sys.argv[2:])
    return run(sys.argv[2:])


if __name__ == "__main__":
    sys.exit(main())
