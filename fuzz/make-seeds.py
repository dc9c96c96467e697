#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/: small, meaningful inputs for each fuzz target.

The board seed is written by tavelin-cli (build/native/cli/tavelin-cli, or $TAVELIN_CLI).
"""
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CLI = os.environ.get("TAVELIN_CLI", os.path.join(HERE, "..", "build", "native", "cli", "tavelin-cli"))


def run_cli(*args):
    subprocess.run([CLI, *args], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def cp(text):
    return text.encode("cp932")


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


DEMO_NAMES = ["山田 太郎(101)", "佐藤 花子(102)", "鈴木 一郎(103)", "表 ソ能(104)", "田中 健(105)"]


def names():
    write("names", "demo-crlf", cp("".join(n + ";\r\n" for n in DEMO_NAMES)))
    write("names", "lf-tabs-spaces", cp("\tA B;\nC\t;\n D ;"))
    write("names", "last-without-semicolon", b"A;B;C")
    write("names", "empty-names", b";;")
    # 表 ソ 能 end in 0x5C; ヤ; ends in 0x3B, a semicolon value as a second byte.
    write("names", "trail-5c-and-3b", cp("表;ソ;能力;") + b"\x83\x3b;" + b"\x83\x0a;")
    write("names", "nul-inside", b"A\x00B;C;")
    write("names", "long-ascii", b"x" * 70 + b";")
    write("names", "lead-at-byte-62", b"x" * 62 + cp("山田") + b";")
    write("names", "lead-last-byte", b"A;\x88")
    write("names", "301-names", b"".join(b"n%d;" % i for i in range(301)))


def board():
    """A board as the program writes it, made by tavelin-cli as an administrator would."""
    with tempfile.TemporaryDirectory() as share:
        names = os.path.join(share, "names.txt")
        with open(names, "w", encoding="utf-8") as f:
            f.write("".join("member%03d\n" % i for i in range(300)))
        run_cli("init-share", share, "--names", names)
        rows = {
            0: ["--morning", "定例会議", "--afternoon", "資料作成", "--state", "社内"],
            2: ["--morning", "客先訪問（横浜）", "--return", "15:00", "--state", "外出・戻り"],
            5: ["--state", "帰宅"],
            7: ["--morning", "出張（大阪）", "--afternoon", "出張（大阪）", "--state", "外出・直帰"],
            299: ["--morning", "表示ソフト", "--return", "17:00", "--state", "社内"],
        }
        for slot, texts in rows.items():
            run_cli("set", "--names", os.path.join(share, "tv_name.lst"), "--board", os.path.join(share, "tv_cont.lst"),
                    "--slot", str(slot), *texts)
        with open(os.path.join(share, "tv_cont.lst"), "rb") as f:
            write("board", "demo-board", f.read())
    write("board", "empty-file", b"")
    # Short files read as zeros: names only, with bytes a terminal must not get raw.
    short = bytearray(64 * 4)
    for slot, name in enumerate([b"A\x1b[2Jclear", b"bell\x07\r", cp("表\\\"q\""), b"\x7f\x80\xa0\xfd\xff"]):
        short[slot * 64:slot * 64 + len(name)] = name
    write("board", "names-with-controls", bytes(short))
    # No NUL anywhere; the target repeats a short file over the whole image, so every field is full.
    write("board", "no-terminators", (cp("表ソ能") + b"x\x1b") * 400)


def prefs_record(magic=b"TAVELINE_V107", names=b"/mnt/share/tv_name.lst", board_path=b"/mnt/share/tv_cont.lst",
                 widths=(70, 100, 60, 220, 715, 415, 20, 20, 3, 100, 50)):
    def field(data, size):
        return data[:size] + b"\0" * (size - min(len(data), size))
    return field(magic, 16) + field(names, 256) + field(board_path, 256) + struct.pack("<11h", *widths)


def preferences():
    write("preferences", "valid", prefs_record())
    write("preferences", "board-in-5c-folder", prefs_record(board_path=cp("/mnt/表/ソ.lst")))
    write("preferences", "unterminated-paths", prefs_record(names=b"n" * 256, board_path=b"/" + b"b" * 255))
    write("preferences", "lock-path-too-long", prefs_record(board_path=b"/" + b"d" * 250 + b"/x"))
    write("preferences", "zero-widths", prefs_record(widths=(0,) * 11))
    write("preferences", "negative-widths", prefs_record(widths=(-1, -32768, 32767, 0, -5, 1, 2, 3, -3, 0, 0)))
    write("preferences", "wrong-magic", prefs_record(magic=b"TAVELINE_V106"))
    write("preferences", "magic-without-nul", prefs_record(magic=b"TAVELINE_V107xyz"))
    write("preferences", "short", prefs_record()[:40])
    # The magic's NUL is not in the file: the zeros of a fresh record supply it.
    write("preferences", "magic-only-no-nul", b"TAVELINE_V107")
    write("preferences", "backslash-paths", prefs_record(names=b"\\\\server_name\\tv_name.lst",
                                                         board_path=b"\\\\server_name\\tv_cont.lst"))


def history_record(texts):
    return b"".join(t[:120] + b"\0" * (120 - min(len(t), 120)) for t in texts + [b""] * (20 - len(texts)))


def history():
    write("history", "typical", history_record([cp(t) for t in ["定例会議", "客先訪問", "出張（大阪）", "研修"]]))
    write("history", "duplicates", history_record([b"a", b"b", b"a", b"", b"b", b"c"]))
    write("history", "unterminated", b"".join((cp("表ソ") * 40)[:120] for _ in range(20)))
    write("history", "short", cp("会議") + b"\0abc")
    write("history", "empty", b"")


def lock():
    write("lock", "host", b"TESTPC")
    write("lock", "empty", b"")
    write("lock", "300-bytes", bytes(range(1, 256)) + b"x" * 45)
    write("lock", "format-and-controls", b"%s%n%x\x1b[31m\x07")
    write("lock", "cp932-host", cp("総務部ソ表"))


def fold():
    write("fold", "time", cp("１７：３０"))
    write("fold", "mixed", cp("１７時（会議室Ａ）ｂ＋－＠＼") + b" x")
    write("fold", "lone-lead-at-end", cp("ＡＢ") + b"\x82")
    write("fold", "255-bytes", (cp("１") * 128)[:255])
    write("fold", "256-bytes", cp("１") * 128)
    write("fold", "trail-5c", cp("表ソ１"))


def wrap():
    # width, the output's room less one, then the text
    write("wrap", "notice", bytes([39, 255]) + cp("PC[DEADPC]の使用中の印（sem.dat）が2時間5分前から残っているため、ボードを読み書きできません。"))
    write("wrap", "words-and-lines", bytes([11, 255]) + cp("キャンセルで待つのをやめます\n名前は１人63バイト（全角31文字）までです。"))
    write("wrap", "short-room", bytes([3, 7]) + cp("あいうえおかきくけこ"))
    write("wrap", "half-width", bytes([5, 255]) + cp("ｷｬﾝｾﾙ ﾌｧｲﾙ") + b"\x82\n\x82")


def cp932():
    write("cp932", "names", b"\xff" + cp("山田 太郎(101) 表ソ能"))
    write("cp932", "utf8-text", b"\x40" + "会議 ①Ⅰ㈱ ～".encode("utf-8"))
    write("cp932", "controls", b"\x10" + b"\x1b[2J\x07\r\n\t\x7f")
    write("cp932", "invalid", b"\x20" + b"\x80\xa0\xfd\xfe\xff\x81\x20\x81")
    write("cp932", "katakana-cut", b"\x05" + cp("ｱｲｳｴｵ"))
    # U+00AC converts to 0x81CA, which reads back as U+FFE2: a text that changes once.
    write("cp932", "utf8-not-sign", b"\x45" + "¬k\x12".encode("utf-8"))


def record():
    """Side records as a crashed writer leaves them: pending, done, and cut short."""
    import zlib

    def make(state, slot, before, after):
        body = struct.pack("<H", slot) + before + after
        return b"TVR1" + bytes([ord(state), 0]) + body + struct.pack("<I", zlib.crc32(body))

    empty = bytes(576)
    pending = make("P", 3, empty, b"x" * 576)
    write("record", "pending", pending)
    write("record", "failed", make("F", 299, empty, empty))
    write("record", "done", make("D", 0, empty, empty))
    write("record", "torn", pending[:700])


def main():
    record()
    names()
    board()
    preferences()
    history()
    lock()
    fold()
    wrap()
    cp932()


if __name__ == "__main__":
    sys.exit(main())
