#!/usr/bin/env python3
"""Writes the seed corpus of release_image_fuzz: small gzip-compressed tar
archives, one valid release image and one for each way an archive may try to
reach outside the directory it is unpacked into.

Usage: tests/fuzz/make_release_image_seeds.py [output directory]
(default: tests/fuzz/corpus/release_image beside this script)."""
import gzip
import io
import os
import sys
import tarfile


def entry(name, type=tarfile.REGTYPE, link="", data=b"x"):
    info = tarfile.TarInfo(name)
    info.type = type
    info.linkname = link
    info.size = len(data) if type == tarfile.REGTYPE else 0
    info.mode = 0o755 if type == tarfile.DIRTYPE else 0o644
    info.mtime = 0
    return info, io.BytesIO(data) if type == tarfile.REGTYPE else None


APP = "Garbello.app/Contents/"
VALID = [
    entry("Garbello.app", tarfile.DIRTYPE),
    entry(APP + "Info.plist", data=b"<plist><dict><key>CFBundleVersion</key>"
          b"<string>4</string></dict></plist>"),
    entry(APP + "MacOS/garbello", data=b"#!/bin/sh\n"),
    entry(APP + "Resources/inner", tarfile.SYMTYPE, "../Info.plist"),
    entry(APP + "Resources/same", tarfile.LNKTYPE, APP + "Info.plist"),
]
HOSTILE = {
    "dotdot": [entry("Garbello.app/../../escaped")],
    "absolute": [entry("/tmp/garbello-escaped")],
    "symlink_out": [entry("Garbello.app/out", tarfile.SYMTYPE, "../../outside"),
                    entry("Garbello.app/out/escaped")],
    "symlink_absolute": [entry("Garbello.app/out", tarfile.SYMTYPE, "/tmp")],
    "symlink_chain": [entry("here", tarfile.SYMTYPE, "."),
                      entry("up", tarfile.SYMTYPE, "here/..")],
    "write_through_chain": [entry("here", tarfile.SYMTYPE, "."),
                            entry("up", tarfile.SYMTYPE, "here/.."),
                            entry("up/escaped")],
    "hardlink_out": [entry("Garbello.app/hard", tarfile.LNKTYPE, "../escaped")],
    "hardlink_through_link": [entry("here", tarfile.SYMTYPE, "."),
                              entry("up", tarfile.SYMTYPE, "here/.."),
                              entry("stolen", tarfile.LNKTYPE, "up/canary")],
    "hardlink_to_link": [entry("a/link", tarfile.SYMTYPE, "../canary"),
                         entry("moved", tarfile.LNKTYPE, "a/link")],
    "device": [entry("Garbello.app/null", tarfile.CHRTYPE)],
    "fifo": [entry("Garbello.app/pipe", tarfile.FIFOTYPE)],
}


def archive(entries):
    raw = io.BytesIO()
    with tarfile.open(fileobj=raw, mode="w", format=tarfile.GNU_FORMAT) as tar:
        for info, data in entries:
            if data:
                data.seek(0)
            tar.addfile(info, data)
    # A fixed header time keeps the seeds byte-for-byte reproducible.
    return gzip.compress(raw.getvalue(), mtime=0)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "corpus", "release_image")
    os.makedirs(out, exist_ok=True)
    seeds = {"valid": VALID}
    seeds.update({kind: VALID[:2] + entries for kind, entries in HOSTILE.items()})
    for kind, entries in seeds.items():
        with open(os.path.join(out, kind + ".tar.gz"), "wb") as file:
            file.write(archive(entries))


if __name__ == "__main__":
    main()
