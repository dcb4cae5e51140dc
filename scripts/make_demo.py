#!/usr/bin/env python3
"""Builds a sample pair of folders for a first look at a synchronisation.

The disk folder holds a few hundred files in nested folders with Chinese
names; the USB folder holds an older state of it: some files older, some
renamed, some missing, and a few extra. Same output for every run.
"""
import os
import random
import shutil
import sys

FOLDERS = ["文档", "文档/合同", "文档/报告 2023", "照片", "照片/旅行", "音乐", "项目", "项目/源代码", "项目/资料.v2"]
STEMS = ["年度报告", "会议纪要", "预算", "notes", "草稿", "清单", "readme", "计划.final", "数据 备份"]
EXTS = [".doc", ".xls", ".txt", ".jpg", ".mp3", ".cpp", ".pdf"]
BASE_TIME = 1_600_000_000


def write(path, data, mtime):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (mtime, mtime))


def main(root):
    rnd = random.Random(7)
    disk, usb = os.path.join(root, "disk"), os.path.join(root, "usb")
    shutil.rmtree(root, ignore_errors=True)
    files = []
    for i in range(300):
        folder = rnd.choice(FOLDERS)
        name = f"{rnd.choice(STEMS)}-{i:03d}{rnd.choice(EXTS)}"
        size = rnd.choice([0, 10, 500, 4000, 60000, 300000])
        files.append((os.path.join(folder, name), bytes(rnd.getrandbits(8) for _ in range(min(size, 64))) * (size // 64 + 1), BASE_TIME + 2 * i))
    for rel, data, t in files:
        write(os.path.join(disk, rel), data[: len(data)], t)
    for n, (rel, data, t) in enumerate(files):
        target = os.path.join(usb, rel)
        if n % 10 == 1:
            continue  # missing on the drive
        if n % 10 == 2:
            write(target, data[: len(data) // 2] + b"old", t - 86400)  # an older version
        elif n % 10 == 3:
            folder, name = os.path.split(target)
            write(os.path.join(folder, "旧名-" + name), data, t)  # renamed since
        else:
            write(target, data, t)
    for i in range(5):
        write(os.path.join(usb, "只在U盘", f"多余文件-{i}.txt"), b"extra\n", BASE_TIME)
    print(f"sample folders: {disk} and {usb}")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "build/demo")
