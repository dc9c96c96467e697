#!/usr/bin/env python3
"""Writes a demo share: a CP932 name list of twenty members and a board with a few rows filled."""
import os
import sys

NAMES = [
    "山田 太郎(101)", "佐藤 花子(102)", "鈴木 一郎(103)", "高橋 美咲(104)", "田中 健(105)",
    "伊藤 さくら(106)", "渡辺 翔(107)", "中村 愛(108)", "小林 誠(109)", "加藤 由美(110)",
    "吉田 大輔(111)", "山本 彩(112)", "松本 拓也(113)", "井上 真由(114)", "木村 亮(115)",
    "林 優子(116)", "清水 剛(117)", "山崎 舞(118)", "森 智子(119)", "池田 浩(120)",
]
ROWS = {
    0: ("定例会議", "資料作成", "社内", "", "26/12/07 08:55"),
    2: ("客先訪問（横浜）", "", "外出・戻り", "15:00", "26/12/07 09:10"),
    5: ("", "", "帰宅", "", "26/12/06 18:02"),
    7: ("出張（大阪）", "出張（大阪）", "外出・直帰", "", "26/12/07 07:40"),
    11: ("研修", "社内打合せ", "社内", "13:00", "26/12/07 09:31"),
}


def put(image, offset, size, text):
    data = text.encode("cp932")
    assert len(data) < size
    image[offset:offset + len(data) + 1] = data + b"\0"


def main(share):
    os.makedirs(share, exist_ok=True)
    with open(os.path.join(share, "tv_name.lst"), "wb") as f:
        f.write("".join(n + ";\r\n" for n in NAMES).encode("cp932"))
    image = bytearray(192000)
    for slot, (morning, afternoon, state, ret, written) in ROWS.items():
        put(image, 19200 + slot * 256, 120, morning)
        put(image, 19200 + slot * 256 + 120, 120, afternoon)
        put(image, 19200 + slot * 256 + 240, 16, state)
        put(image, 96000 + slot * 64, 64, ret)
        put(image, 115200 + slot * 256, 256, written)
    with open(os.path.join(share, "tv_cont.lst"), "wb") as f:
        f.write(image)


if __name__ == "__main__":
    main(sys.argv[1])
