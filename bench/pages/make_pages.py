#!/usr/bin/env python3
"""Pages laid out by a real typesetting engine, for measuring the reading on material made
differently from bench_reading's own pages: headless Chromium sets the HTML (vertical writing,
upright numbers, tiers, columns, tables, screens of programs), ImageMagick degrades the result as
scanners and phone cameras do.

    make_pages.py OUT [--set tuning|heldout|all] [--per-kind N] [--kinds a,b,...]

writes OUT/KIND/NAME.png with NAME.ref.txt (the text in the order a Japanese reader reads it) and
NAME.writing ("vertical" or "horizontal": what an expert would set the engine by). The two sets
use different fonts and different seeds, and the held-out set is never used to choose a threshold:
its figures are reported apart (bench_reading --pages OUT/heldout).

Needs: chromium, imagemagick, and the fonts named in FONTS (Debian packages in docs/typeset-pages.md).
"""
import argparse
import html
import os
import random
import shutil
import subprocess
import sys
import tempfile

# Families by set. The held-out fonts are used by no other measurement of the project.
FONTS = {
    "tuning": {"mincho": ["TakaoMincho", "IPAPMincho"], "gothic": ["TakaoPGothic", "IPAPGothic"]},
    "heldout": {"mincho": ["Ume Mincho", "HanaMinA"], "gothic": ["Ume Gothic", "M PLUS 2"]},
}

# Wording of its own: none of these sentences is in the project's other page texts.
SENTENCES = [
    "駅前の商店街では、今年も夏祭りの準備が始まった。",
    "古い倉庫を改装した図書館には、週末になると家族連れが集まる。",
    "市の担当者は、来月から路線バスの本数を増やすと説明した。",
    "川沿いの桜並木は、例年より一週間ほど早く見頃を迎えた。",
    "この地域では、冬になると大根を軒先に干す光景が見られる。",
    "研究チームは、海水の温度と魚の群れの関係を十年かけて調べた。",
    "新しい歩道橋の完成により、小学生の通学路はずっと安全になった。",
    "祖母の味噌汁は、煮干しと昆布でとった出汁が決め手だった。",
    "山小屋の主人は、天気が崩れる前の雲の形を教えてくれた。",
    "会議では、空き家を若い職人の工房として貸し出す案が出た。",
    "夜の港に停泊する漁船の明かりが、静かな水面に揺れていた。",
    "美術館の特別展には、初日だけで三千人を超える来場者があった。",
    "田植えを終えた水田に、遠くの山並みが逆さまに映っている。",
    "町の鍛冶屋は、三代にわたって包丁と農具を作り続けてきた。",
    "台風の影響で、午後の特急列車はすべて運転を見合わせた。",
    "地元の高校生が考案した焼き菓子が、土産物として人気を集めている。",
    "この峠道は、かつて塩や干し魚を運ぶ人々が行き交った道である。",
    "展望台からは、晴れた日に限って遠く富士山まで見渡すことができる。",
    "朝市では、採れたての野菜や手作りの漬物が並び、活気にあふれる。",
    "修復を終えた寺の山門は、鮮やかな朱色を取り戻した。",
    "少子化の進む村で、小さな分校が再び子どもたちの声で満ちた。",
    "気象台によると、今週末は各地で厳しい冷え込みとなる見込みだ。",
    "新しく開業した銭湯は、昔ながらの富士山の壁画で評判になった。",
    "職員は、災害時に備えて非常食と毛布の数を毎月確かめている。",
    "陶芸教室では、参加者が思い思いの形の茶碗を作り上げた。",
    "線路脇の小さな畑で、老夫婦が季節ごとの花を育てている。",
    "読書会の参加者は、登場人物の選択について熱心に語り合った。",
    "商工会は、地元の木材を使った家具の展示会を秋に開く予定だ。",
    "霧の立ちこめる湖畔を、一艘の小舟がゆっくりと進んでいった。",
    "観光案内所では、外国人旅行者向けの地図を四か国語で用意した。",
]
HEADLINES = ["市内循環バス 来月から増便", "桜並木 例年より早く見頃", "空き家を工房に 若手職人を支援",
             "朝市に活気 地元野菜が人気", "分校に子どもの声 再び", "港町の夜 漁船の明かり"]
NUMBERS = ["十二月三日", "二〇二六年", "第三回", "午後四時"]
LATIN = ["NPO", "JR", "Wi-Fi", "ICT"]
UI_WORDS = {"menu": ["ファイル", "編集", "表示", "ツール", "ヘルプ"],
            "buttons": ["保存", "開く", "印刷", "検索", "設定", "閉じる"],
            "titles": ["文書の確認", "受信トレイ", "予定表", "顧客名簿", "在庫一覧"]}

PAGE_CSS = """
html, body { margin: 0; padding: 0; background: #fff; color: #111; }
body { font-family: '%(font)s'; width: %(w)dpx; height: %(h)dpx; overflow: hidden; }
"""


def text_of(rng, count):
    return "".join(rng.choice(SENTENCES) for _ in range(count))


def vertical_numbers(rng, text):
    """Puts an upright number or a sideways Latin word into vertical text now and then; gives
    the HTML and the text a reader reads."""
    out_html, out_text = [], []
    for i, sentence in enumerate(text.split("。")):
        if not sentence:
            continue
        if i % 3 == 1:
            n = str(rng.randint(10, 99))
            out_html.append('<span style="text-combine-upright: all">%s</span>' % n)
            out_text.append(n)
        elif i % 3 == 2:
            word = rng.choice(LATIN)
            out_html.append(word)
            out_text.append(word)
        out_html.append(html.escape(sentence) + "。")
        out_text.append(sentence + "。")
    return "".join(out_html), "".join(out_text)


def newspaper(rng, fonts):
    """Vertical tiers of short columns under a horizontal headline, rules between the tiers."""
    font = rng.choice(fonts["mincho"])
    headline = rng.choice(HEADLINES)
    tiers = rng.choice([4, 5])
    w, h = 760, 1075
    tier_h = (h - 150) // tiers - 14
    body, ref = [], [headline]
    for _ in range(tiers):
        t = text_of(rng, rng.randint(5, 7))
        body.append('<div class="tier">%s</div>' % html.escape(t))
        ref.append(t)
    page = """<style>%s
h1 { font-family: '%s'; font-size: 40px; margin: 20px 30px 10px; text-align: right;
     border-bottom: 3px double #222; padding-bottom: 8px; }
.tier { writing-mode: vertical-rl; height: %dpx; margin: 0 30px 12px; font-size: 14px;
        line-height: 1.55; border-bottom: 1px solid #444; overflow: hidden; }
</style><h1>%s</h1>%s""" % (PAGE_CSS % {"font": font, "w": w, "h": h},
                             rng.choice(fonts["gothic"]), tier_h, html.escape(headline),
                             "".join(body))
    return page, ref, "vertical", (w, h), 300


def mixed(rng, fonts):
    """A vertical page with upright numbers and Latin set sideways, a horizontal table inside."""
    font = rng.choice(fonts["mincho"] + fonts["gothic"])
    w, h = 560, 790
    first_html, first = vertical_numbers(rng, text_of(rng, 6))
    last_html, last = vertical_numbers(rng, text_of(rng, 4))
    rows = [["項目", "件数", "前年"]] + [[rng.choice(["相談", "申請", "見学", "貸出"]),
                                       str(rng.randint(10, 999)), str(rng.randint(10, 999))]
                                      for _ in range(4)]
    table = "".join("<tr>%s</tr>" % "".join("<td>%s</td>" % c for c in r) for r in rows)
    page = """<style>%s
.page { display: flex; flex-direction: row-reverse; padding: 40px; height: %dpx; gap: 26px; }
.v { writing-mode: vertical-rl; font-size: 16px; line-height: 1.7; height: 100%%; }
table { border-collapse: collapse; font-size: 15px; align-self: center; }
td { border: 1px solid #333; padding: 4px 10px; }
</style><div class="page"><div class="v">%s</div><table>%s</table><div class="v">%s</div></div>
""" % (PAGE_CSS % {"font": font, "w": w, "h": h}, h - 80, first_html, table, last_html)
    ref = [first] + ["".join(r) for r in rows] + [last]
    return page, ref, "vertical", (w, h), 300


def screen(rng, fonts, dark):
    """A program's window at 96 dpi: a title bar and buttons in light text on colour, a menu, a
    text pane in 12-13 px screen text, a status line."""
    font = rng.choice(fonts["gothic"])
    w, h = 900, 560
    fg, bg, pane = ("#ddd", "#1e1e1e", "#252526") if dark else ("#111", "#f3f3f3", "#fff")
    title = rng.choice(UI_WORDS["titles"])
    menu = UI_WORDS["menu"][: rng.randint(3, 5)]
    buttons = rng.sample(UI_WORDS["buttons"], 4)
    paras = [text_of(rng, 2) for _ in range(rng.randint(3, 5))]
    status = "%d件を表示しています" % rng.randint(2, 80)
    size = rng.choice([12, 13])
    page = """<style>%s
body { background: %s; color: %s; font-size: %dpx; }
.title { background: #2b579a; color: #fff; padding: 6px 10px; font-size: 14px; }
.menu span { margin: 0 12px 0 8px; } .menu { padding: 4px; }
.bar { padding: 6px; } .bar span { background: #3c6fbe; color: #fff; padding: 4px 14px;
  margin-right: 8px; border-radius: 3px; }
.pane { background: %s; margin: 6px 10px; padding: 10px; line-height: 1.6; height: 330px; }
.pane p { margin: 0 0 8px; }
.status { padding: 4px 10px; font-size: 12px; }
</style><div class="title">%s</div><div class="menu">%s</div><div class="bar">%s</div>
<div class="pane">%s</div><div class="status">%s</div>""" % (
        PAGE_CSS % {"font": font, "w": w, "h": h}, bg, fg, size, pane, html.escape(title),
        "".join("<span>%s</span>" % m for m in menu),
        "".join("<span>%s</span>" % b for b in buttons),
        "".join("<p>%s</p>" % html.escape(p) for p in paras), html.escape(status))
    ref = [title, "".join(menu), "".join(buttons)] + paras + [status]
    return page, ref, "horizontal", (w, h), 0


def magazine(rng, fonts):
    """Horizontal text in two or three columns under a heading, bold and light weights."""
    font = rng.choice(fonts["gothic"] + fonts["mincho"])
    w, h = 560, 790
    cols = rng.choice([2, 3])
    headline = rng.choice(HEADLINES)
    paras = [text_of(rng, 3) for _ in range(cols * 2)]
    body = "".join('<p style="font-weight:%d">%s</p>' % (rng.choice([300, 400, 700]),
                                                          html.escape(p)) for p in paras)
    page = """<style>%s
h1 { font-size: 26px; margin: 34px 34px 14px; }
.cols { column-count: %d; column-gap: 22px; margin: 0 34px; font-size: 13px; line-height: 1.6;
        column-fill: auto; height: %dpx; }
p { margin: 0 0 10px; text-indent: 1em; }
</style><h1>%s</h1><div class="cols">%s</div>""" % (
        PAGE_CSS % {"font": font, "w": w, "h": h}, cols, h - 130, html.escape(headline), body)
    return page, [headline] + paras, "horizontal", (w, h), 300


def crop_page(rng, fonts):
    """A block of text with neighbouring blocks set close around it; the picture is cut a little
    outside the block, so the neighbours' edges show, clipped."""
    font = rng.choice(fonts["mincho"] + fonts["gothic"])
    vertical = rng.random() < 0.5
    w, h = 560, 790
    bw, bh = (300, 360) if vertical else (360, 220)
    x, y = (w - bw) // 2, (h - bh) // 2
    main = text_of(rng, 4)
    mode = "vertical-rl" if vertical else "horizontal-tb"
    blocks = ['<div class="b" style="left:%dpx;top:%dpx;width:%dpx;height:%dpx">%s</div>'
              % (x, y, bw, bh, html.escape(main))]
    gap = 12
    for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
        nx, ny = x + dx * (bw + gap), y + dy * (bh + gap)
        blocks.append('<div class="b" style="left:%dpx;top:%dpx;width:%dpx;height:%dpx">%s</div>'
                      % (nx, ny, bw, bh, html.escape(text_of(rng, 6))))
    page = """<style>%s
.b { position: absolute; writing-mode: %s; font-size: 15px; line-height: 1.6; overflow: hidden; }
</style>%s""" % (PAGE_CSS % {"font": font, "w": w, "h": h}, mode, "".join(blocks))
    # The cut, in page pixels: the block and part of the gap and of the neighbours' first lines.
    m = rng.randint(8, 18)
    cut = (x - m, y - m, bw + 2 * m, bh + 2 * m)
    return page, [main], "vertical" if vertical else "horizontal", (w, h), 300, cut


def plain_page(rng, fonts, vertical, lines_of_text=14):
    font = rng.choice(fonts["mincho"] + fonts["gothic"])
    w, h = 560, 790
    paras = [text_of(rng, 2) for _ in range(lines_of_text // 2)]
    mode = "vertical-rl" if vertical else "horizontal-tb"
    page = """<style>%s
.p { writing-mode: %s; padding: 50px; font-size: 16px; line-height: 1.8; height: %dpx; }
.p p { margin: 0; text-indent: 1em; }
</style><div class="p">%s</div>""" % (PAGE_CSS % {"font": font, "w": w, "h": h}, mode, h - 100,
                                       "".join("<p>%s</p>" % html.escape(p) for p in paras))
    return page, paras, "vertical" if vertical else "horizontal", (w, h), 300


class Renderer:
    def __init__(self, work):
        self.work = work
        self.profile = tempfile.mkdtemp(prefix="chromium-", dir=work)

    def render(self, page_html, size, scale, out):
        src = os.path.join(self.work, "page.html")
        with open(src, "w", encoding="utf-8") as f:
            f.write('<!doctype html><meta charset="utf-8">' + page_html)
        subprocess.run(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
             "--no-first-run", "--disable-background-networking", "--disable-component-update",
             "--disable-sync", "--hide-scrollbars", "--user-data-dir=" + self.profile,
             "--force-device-scale-factor=%g" % scale, "--window-size=%d,%d" % size,
             "--screenshot=" + out, "file://" + src],
            check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def magick(*args):
    subprocess.run(["convert", *map(str, args)], check=True)


def scanned(src, out, rng, dpi):
    """Grey, a little blur and noise, as a flatbed scan."""
    magick(src, "-colorspace", "Gray", "-blur", "0x%.1f" % rng.uniform(0.4, 0.9),
           "-attenuate", "0.4", "+noise", "Gaussian", "-units", "PixelsPerInch",
           "-density", dpi, out)


def show_through(src, back, out, rng, dpi):
    """Yellowed paper, the back page showing through mirrored, low contrast, halftone grain."""
    tint = rng.choice(["#f3e7c4", "#efe3c8", "#ece6d2"])
    magick(back, "-flop", "-fill", "white", "-colorize", "82%", back + ".faint.png")
    magick(src, back + ".faint.png", "-compose", "Multiply", "-composite",
           "-fill", tint, "-tint", "100", "+level", "%d%%,%d%%" % (rng.randint(18, 28),
                                                               rng.randint(86, 94)),
           "-attenuate", "0.8", "+noise", "Gaussian", "-colorspace", "Gray",
           "-units", "PixelsPerInch", "-density", dpi, out)


def photographed(src, out, rng, curl, desk):
    """A phone photo: seen at an angle on a desk, the page curled (its lines bending by tens of
    pixels), one side in shadow, blurred and compressed."""
    tmp = out + ".tmp.png"
    w, h = map(int, subprocess.run(["identify", "-format", "%w %h", src], check=True,
                                   capture_output=True, text=True).stdout.split())
    p = rng.uniform(0.08, 0.15)
    pts = [0, 0, w * p / 2, h * p / 3, w, 0, w * (1 - p / 3), 0, w, h, w, h * (1 - p / 4), 0, h,
           w * p, h]
    pad = int(max(w, h) * (0.45 if desk else 0.08))
    desk_colour = rng.choice(["#6b4f35", "#8a7356", "#3c3c3c", "#a49a8a"])
    magick(src, "-virtual-pixel", "transparent", "-distort", "Perspective",
           " ".join("%.1f" % v for v in pts), "-background", desk_colour, "-gravity", "center",
           "-extent", "%dx%d" % (w + pad, h + pad), "-flatten", tmp)
    if curl:
        # A sine across the width, about half a period: every line bends by the amplitude.
        magick(tmp, "-background", desk_colour, "-wave",
               "%dx%d" % (rng.randint(30, 80), int((w + pad) * rng.uniform(1.6, 2.4))),
               "-gravity", "center", "-extent", "%dx%d" % (w + pad, h + pad), tmp)
    shadow = rng.choice(["270", "90", "0"])
    magick(tmp, "(", "-size", "%dx%d" % (w + pad, h + pad), "gradient:#555-#fff", "-rotate",
           shadow, "-resize", "%dx%d!" % (w + pad, h + pad), ")", "-compose", "Multiply",
           "-composite", "-blur", "0x%.1f" % rng.uniform(0.8, 1.4), "-attenuate", "0.5",
           "+noise", "Gaussian", "-quality", "85", out + ".jpg")
    magick(out + ".jpg", "-strip", out)
    os.remove(tmp)
    os.remove(out + ".jpg")


KINDS = ["newspaper", "mixed", "screens", "magazine", "crops", "show-through", "curled", "desk"]


def make(kind, rng, fonts, renderer, folder, name):
    raw = os.path.join(renderer.work, "raw.png")
    out = os.path.join(folder, name + ".png")
    cut = None
    if kind == "newspaper":
        page, ref, writing, size, dpi = newspaper(rng, fonts)
    elif kind == "mixed":
        page, ref, writing, size, dpi = mixed(rng, fonts)
    elif kind == "screens":
        page, ref, writing, size, dpi = screen(rng, fonts, rng.random() < 0.5)
    elif kind == "magazine":
        page, ref, writing, size, dpi = magazine(rng, fonts)
    elif kind == "crops":
        page, ref, writing, size, dpi, cut = crop_page(rng, fonts)
    elif kind == "desk":
        page, ref, writing, size, dpi = plain_page(rng, fonts, rng.random() < 0.5, 4)
    else:
        page, ref, writing, size, dpi = plain_page(rng, fonts, rng.random() < 0.5)
    scale = 1 if dpi == 0 else dpi / 96
    renderer.render(page, size, scale, raw)
    if kind == "screens":
        magick(raw, "-strip", out)
    elif kind == "crops":
        x, y, w, h = (int(v * scale) for v in cut)
        magick(raw, "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", raw)
        scanned(raw, out, rng, dpi)
    elif kind == "show-through":
        back_page = plain_page(rng, fonts, writing == "vertical")[0]
        back = os.path.join(renderer.work, "back.png")
        renderer.render(back_page, size, scale, back)
        show_through(raw, back, out, rng, dpi)
    elif kind in ("curled", "desk"):
        photographed(raw, out, rng, kind == "curled", kind == "desk")
    else:
        scanned(raw, out, rng, dpi)
    with open(os.path.join(folder, name + ".ref.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(ref) + "\n")
    with open(os.path.join(folder, name + ".writing"), "w", encoding="utf-8") as f:
        f.write(writing + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("out")
    parser.add_argument("--set", default="all", choices=["tuning", "heldout", "all"])
    parser.add_argument("--per-kind", type=int, default=4)
    parser.add_argument("--kinds", default=",".join(KINDS))
    args = parser.parse_args()
    for tool in ("chromium", "convert"):
        if not shutil.which(tool):
            sys.exit("%s is needed (see docs/typeset-pages.md)" % tool)
    sets = ["tuning", "heldout"] if args.set == "all" else [args.set]
    work = tempfile.mkdtemp(prefix="pages-")
    renderer = Renderer(work)
    try:
        for s in sets:
            for kind in args.kinds.split(","):
                folder = os.path.join(args.out, s, kind)
                os.makedirs(folder, exist_ok=True)
                for i in range(args.per_kind):
                    # The held-out seeds are far from the tuning ones: no page is shared.
                    rng = random.Random("%s/%s/%d" % (s, kind, i))
                    make(kind, rng, FONTS[s], renderer, folder, "%s-%02d" % (kind, i))
                    print("%s/%s/%s-%02d" % (s, kind, kind, i), flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
