<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name>batch</name>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 には値が必要です</translation>
    </message>
    <message>
        <source>%1 takes no value</source>
        <translation>%1 は値を取りません</translation>
    </message>
    <message>
        <source>--batch needs a folder</source>
        <translation>--batch にはフォルダが必要です</translation>
    </message>
    <message>
        <source>--lang needs a language, such as jpn</source>
        <translation>--lang には jpn などの言語が必要です</translation>
    </message>
    <message>
        <source>--psm wants a mode number, not &quot;%1&quot;</source>
        <translation>--psm にはモードの番号を指定してください (「%1」ではなく)</translation>
    </message>
    <message>
        <source>--jobs wants a number from 1, not &quot;%1&quot;</source>
        <translation>--jobs には 1 以上の数を指定してください (「%1」ではなく)</translation>
    </message>
    <message>
        <source>--book needs a file name, such as book.txt</source>
        <translation>--book には book.txt などのファイル名が必要です</translation>
    </message>
    <message>
        <source>--shard wants K/N, such as 1/4, not &quot;%1&quot;</source>
        <translation>--shard には 1/4 のように K/N を指定してください (「%1」ではなく)</translation>
    </message>
    <message>
        <source>--shard %1: K counts from 1 and goes up to N (%2)</source>
        <translation>--shard %1: K は 1 から N (%2) までです</translation>
    </message>
    <message>
        <source>unknown argument &quot;%1&quot;</source>
        <translation>不明な引数「%1」</translation>
    </message>
    <message>
        <source>--batch FOLDER is missing</source>
        <translation>--batch FOLDER がありません</translation>
    </message>
    <message>
        <source>no language: listLang.txt is missing or empty; give --lang</source>
        <translation>言語がありません: listLang.txt がないか空です。--lang を指定してください</translation>
    </message>
    <message>
        <source>no page segmentation mode: listPSMode.txt is missing or empty; give --psm</source>
        <translation>ページ分割モードがありません: listPSMode.txt がないか空です。--psm を指定してください</translation>
    </message>
    <message>
        <source> saved</source>
        <translation> 保存しました</translation>
    </message>
    <message>
        <source> FAILED: </source>
        <translation> 失敗: </translation>
    </message>
    <message>
        <source>  %1/min</source>
        <translation>  %1 枚/分</translation>
    </message>
    <message>
        <source>  %1 left</source>
        <translation>  残り %1</translation>
    </message>
    <message>
        <source>quillpix --batch: %1
</source>
        <translation>quillpix --batch: %1
</translation>
    </message>
    <message>
        <source>%1: %2 pictures; %3 read and saved, %4 skipped (saved before), %5 failed, in %6.
</source>
        <translation>%1: 画像 %2 枚。認識して保存 %3 枚、飛ばした画像 (保存済み) %4 枚、失敗 %5 枚、所要時間 %6。
</translation>
    </message>
    <message>
        <source>  failed: %1: %2
</source>
        <translation>  失敗: %1: %2
</translation>
    </message>
    <message>
        <source>  left out: %1 names: %2
</source>
        <translation>  一覧から除いた名前 %1 個: %2
</translation>
    </message>
    <message>
        <source>  read again for where their text lies (their results kept): %1 pictures
</source>
        <translation>  文字の位置を知るために読み直した画像 (結果はそのまま): %1 枚
</translation>
    </message>
    <message>
        <source>  written: %1
</source>
        <translation>  書きました: %1
</translation>
    </message>
    <message>
        <source>  up to date: %1
</source>
        <translation>  最新です: %1
</translation>
    </message>
    <message>
        <source>  not written: %1: %2
</source>
        <translation>  書いていません: %1: %2
</translation>
    </message>
    <message>
        <source>... (%1 in all)</source>
        <translation>... (全部で %1)</translation>
    </message>
    <message>
        <source>  not read whole by the batch (saved in the window, perhaps from part of the page): %1; the texts above hold them as saved; delete a result and run again to have its page read whole
</source>
        <translation>  一括認識で全体を読んでいない画像 (ウィンドウで、ページの一部から保存したものかもしれません): %1。上の結果には保存されたとおりに入っています。ページ全体を読むには、結果を削除してもう一度実行してください
</translation>
    </message>
    <message>
        <source>Interrupted (SIGINT)</source>
        <translation>中断しました (SIGINT)</translation>
    </message>
    <message>
        <source>Stopped (SIGTERM)</source>
        <translation>停止しました (SIGTERM)</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>中止しました</translation>
    </message>
    <message>
        <source>%1: %2 pictures not read; run the same command again to read them.
</source>
        <translation>%1: 画像 %2 枚を読んでいません。同じコマンドをもう一度実行すると読みます。
</translation>
    </message>
    <message>
        <source>quillpix --batch: %1
(quillpix --help shows the usage)
</source>
        <translation>quillpix --batch: %1
(使い方は quillpix --help で表示します)
</translation>
    </message>
    <message>
        <source>quillpix --batch: --jobs %1 is more than this machine gains from (%2 processors, %3 MB of memory free); using %4
</source>
        <translation>quillpix --batch: --jobs %1 はこのコンピュータで効果のある数を超えています (プロセッサ %2 個、空きメモリ %3 MB)。%4 にします
</translation>
    </message>
    <message>
        <source><byte value="xd"/>%1<byte value="xd"/>%2: failed: %3
</source>
        <translation><byte value="xd"/>%1<byte value="xd"/>%2: 失敗: %3
</translation>
    </message>
    <message>
        <source>no result yet for page %1</source>
        <translation>%1 ページの結果がまだありません</translation>
    </message>
    <message>
        <source>no result yet for %1</source>
        <translation>%1 の結果がまだありません</translation>
    </message>
    <message>
        <source> (%1 in all)</source>
        <translation> (全部で %1)</translation>
    </message>
    <message>
        <source>--book %1 is the name of a saved result in the folder; give the book another name</source>
        <translation>--book %1 はフォルダ内の保存済みの結果の名前です。本に別の名前を付けてください</translation>
    </message>
    <message>
        <source>--book %1 is a picture of the folder; give the book another name</source>
        <translation>--book %1 はフォルダの画像です。本に別の名前を付けてください</translation>
    </message>
    <message>
        <source>--book %1 lies in %2/, where the batch keeps files of its own; give the book another place</source>
        <translation>--book %1 は一括認識が自分のファイルを置く %2/ の中にあります。本を別の場所に置いてください</translation>
    </message>
    <message>
        <source>--book %1 exists and is not a text file; give the book another name</source>
        <translation>--book %1 はすでにあり、テキストファイルではありません。本に別の名前を付けてください</translation>
    </message>
    <message>
        <source>the book</source>
        <translation>本</translation>
    </message>
    <message>
        <source>%1 and %2 would both be written to %3; rename one</source>
        <translation>%1 と %2 がどちらも %3 に書かれます。どちらかの名前を変えてください</translation>
    </message>
    <message>
        <source>cannot make the folder %1</source>
        <translation>フォルダ %1 を作れません</translation>
    </message>
    <message>
        <source>where the text of %1 lies is not known yet; run the batch again</source>
        <translation>%1 の文字の位置がまだわかりません。一括認識をもう一度実行してください</translation>
    </message>
    <message>
        <source>no such folder: %1</source>
        <translation>フォルダがありません: %1</translation>
    </message>
    <message>
        <source>%1 is a file, not a folder</source>
        <translation>%1 はフォルダではなくファイルです</translation>
    </message>
    <message>
        <source>names that are not valid UTF-8 (Shift-JIS names from old archives, say) cannot be opened; rename them to read them</source>
        <translation>UTF-8 として正しくない名前 (古いアーカイブの Shift-JIS の名前など) は開けません。読むには名前を付け直してください</translation>
    </message>
    <message>
        <source>no pictures (%1) in the folder %2</source>
        <translation>フォルダ %2 に画像 (%1) がありません</translation>
    </message>
    <message>
        <source>cannot write in the folder %1: %2</source>
        <translation>フォルダ %1 に書き込めません: %2</translation>
    </message>
    <message>
        <source>no picture %1 in the folder %2</source>
        <translation>フォルダ %2 に画像 %1 がありません</translation>
    </message>
    <message>
        <source>cannot make a work folder in %1: %2</source>
        <translation>%1 に作業用のフォルダを作れません: %2</translation>
    </message>
    <message>
        <source>its text is saved, but where it lies could not be kept for the PDF: %1</source>
        <translation>文字は保存しましたが、PDF のために文字の位置を残せませんでした: %1</translation>
    </message>
    <message>
        <source>a config the loaded engine cannot take</source>
        <translation>読み込んだエンジンが受け付けない設定ファイル</translation>
    </message>
    <message>
        <source>the engine options are not one engine call: %1</source>
        <translation>エンジンのオプションがエンジンの呼び出し一つになっていません: %1</translation>
    </message>
    <message>
        <source>the recognition engine &quot;%1&quot; is not on PATH (Debian: apt-get install tesseract-ocr)</source>
        <translation>文字認識エンジン「%1」が PATH にありません (Debian: apt-get install tesseract-ocr)</translation>
    </message>
    <message>
        <source>--psm %1: the engine has no such page segmentation mode (%2 to %3)</source>
        <translation>--psm %1: エンジンにそのページ分割モードはありません (%2 から %3)</translation>
    </message>
    <message>
        <source>the language &quot;%1&quot; is not installed for %2%3 (installed: %4)</source>
        <translation>言語「%1」は %2%3 にインストールされていません (インストール済み: %4)</translation>
    </message>
    <message>
        <source> in the --tessdata-dir folder %1</source>
        <translation> の --tessdata-dir のフォルダ %1</translation>
    </message>
    <message>
        <source>the engine options are more than a plain call</source>
        <translation>エンジンのオプションが単純な呼び出しを超えています</translation>
    </message>
    <message>
        <source>%1 needs the engine loaded in the program, as only it tells where each character lies; these settings start an engine process (%2)</source>
        <translation>%1 には、プログラムに読み込んだエンジンが必要です。各文字の位置を教えるのはそれだけだからです。この設定ではエンジンのプロセスを起動します (%2)</translation>
    </message>
    <message>
        <source>texts</source>
        <translation>テキスト</translation>
    </message>
    <message>
        <source>searchable PDFs</source>
        <translation>検索できる PDF</translation>
    </message>
    <message>
        <source>hOCR files</source>
        <translation>hOCR ファイル</translation>
    </message>
    <message>
        <source>ALTO files</source>
        <translation>ALTO ファイル</translation>
    </message>
    <message>
        <source>  written: %1 %2 beside the results
</source>
        <translation>  書きました: 結果の横に %2 を %1 個
</translation>
    </message>
    <message>
        <source>  up to date: %1 %2
</source>
        <translation>  最新のまま: %2 %1 個
</translation>
    </message>
    <message>
        <source>the engine does not read with these settings%1: %2</source>
        <translation>この設定%1ではエンジンが読みません: %2</translation>
    </message>
    <message>
        <source> (-l %1 --psm %2)</source>
        <translation> (-l %1 --psm %2)</translation>
    </message>
    <message>
        <source>it wrote no text</source>
        <translation>文字を書きませんでした</translation>
    </message>
    <message>
        <source>--encoding wants shift-jis (sjis, cp932) or utf-8, not &quot;%1&quot;</source>
        <translation>--encoding には shift-jis (sjis, cp932) か utf-8 を指定してください。&quot;%1&quot; は使えません</translation>
    </message>
    <message>
        <source> kept (saved meanwhile)</source>
        <translation> 保存済みのため残しました（実行中に保存）</translation>
    </message>
    <message>
        <source>  kept: %1: saved while the batch ran (in the window, by hand or by another run), so left as saved; --force replaces them
</source>
        <translation>  残しました: %1: 一括認識の実行中に（ウィンドウや手作業、別の実行で）保存されたので、保存されたままにしました。--force で置き換えます
</translation>
    </message>
    <message>
        <source>  replaced by --force: %1: results the batch had not read whole itself (saved in the window or by hand)
</source>
        <translation>  --force で置き換えました: %1: 一括認識がページ全体を読んだのではない結果（ウィンドウや手作業で保存）
</translation>
    </message>
    <message>
        <source>  saved with &quot;?&quot; for characters Shift-JIS cannot hold: %1; --encoding utf-8 --force keeps them
</source>
        <translation>  Shift-JIS にない文字を「?」で保存しました: %1。--encoding utf-8 --force で残せます
</translation>
    </message>
    <message>
        <source>  removed: %1 temporary files left by a batch that was killed
</source>
        <translation>  削除しました: 強制終了した一括認識が残した一時ファイル %1 個
</translation>
    </message>
    <message>
        <source>  written: %1 (%2)
</source>
        <translation>  書きました: %1 (%2)
</translation>
    </message>
    <message>
        <source>--book %1 has the extension of a picture: every later batch would take it for one; give the book a name such as book.txt</source>
        <translation>--book %1 は画像の拡張子です。以後の一括認識が画像として読んでしまいます。book.txt のような名前にしてください</translation>
    </message>
    <message>
        <source>--book %1 exists and is not a book the batch wrote; give the book another name, or give --force to replace it</source>
        <translation>--book %1 はすでにあり、一括認識が書いた本ではありません。別の名前にするか、--force で置き換えてください</translation>
    </message>
    <message>
        <source>a file of this name is there that the batch did not write; it is left as it is (move it away, or give --force to replace it)</source>
        <translation>一括認識が書いたのではない同じ名前のファイルがあるので、そのままにしました（移すか、--force で置き換えてください）</translation>
    </message>
    <message>
        <source>the result of %1 cannot be read as text, so nothing is joined (%2); save it again as text, or delete it to have the page read again</source>
        <translation>%1 の結果をテキストとして読めないため、何もつなげていません (%2)。テキストとして保存し直すか、削除してページを読み直させてください</translation>
    </message>
    <message>
        <source>page %1</source>
        <translation>%1 ページ</translation>
    </message>
    <message>
        <source>replaced by --force: a file the batch had not written</source>
        <translation>--force で置き換え: 一括認識が書いたのではないファイル</translation>
    </message>
    <message>
        <source>the engine option -c %1 is not taken by the batch: it names a file, asks for another output or for debugging, or the library keeps it for the whole process (the window&apos;s run takes it through tess.bat)</source>
        <translation>エンジンのオプション -c %1 は一括認識では使えません。ファイルを指定するもの、別の出力やデバッグを求めるもの、またはライブラリがプロセス全体で保つものです（ウィンドウの実行では tess.bat で使えます）</translation>
    </message>
    <message>
        <source>%1 is taken by something that is not a file; its text is not saved</source>
        <translation>%1 はファイルではないものが場所を取っているため、テキストを保存していません</translation>
    </message>
    <message>
        <source>Usage: quillpix [PATH...]     the window, showing the folder or picture PATH
       quillpix --capture     the window, reading a region of the screen at once
       quillpix --scan FOLDER [...]  pages from a scanner into FOLDER (--scan --help)
       quillpix --batch FOLDER [--lang L] [--psm N] [--option TEXT] [--jobs N]
                [--force] [--shard K/N] [--keep-latin-spaces] [--paragraphs]
                [--running-heads] [--book FILE.txt] [--pdf] [--hocr] [--alto]
                [--encoding shift-jis|utf-8]

With a window already open on this workspace, it shows PATH or reads the screen,
and comes to the front; no second window opens.

Reads every picture of FOLDER (*.bmp, *.gif, *.png, *.jpg, *.jpeg, *.tif, *.tiff,
*.webp, *.pdf; each page of a multi-page document) whole and saves its text beside it
as PICTURE.txt (a page: DOCUMENT.pN.txt), as the window&apos;s Save would after reading
the whole picture. A document of several pages also gets DOCUMENT.txt, its pages&apos;
texts joined, each page after a line holding a form feed, once every page is read.

  --lang L       engine language (default: the first line of listLang.txt); auto
                 (the list&apos;s 自動) finds the writing direction of each picture and
                 reads it with jpn or jpn_vert, turned upright, straightened, the
                 readings beside vertical text left out, two tiers read upper first
  --psm N        page segmentation mode (default: the first line of listPSMode.txt)
  --option TEXT  further engine options (default: the first line of listOption.txt)
  --jobs N       engines at once, one thread each (default: the number of processors;
                 at most twice that, and what the memory holds)
  --force        read pictures again that already have a saved result
  --shard K/N    only pictures K, K+N, K+2N, ... in natural order, K from 1 to N
  --keep-latin-spaces
                 the clean-up keeps a space before a Latin word or number after a
                 digit or bracket (&quot;64 KiB&quot;) and a &quot;.&quot; before a Latin character
  --paragraphs   join the lines of each paragraph (no space between Japanese lines)
  --running-heads
                 with auto, read a vertical page&apos;s running head and page number too
                 (left out by default: a book&apos;s text usually wants the prose alone)
  --book FILE    the results of every picture of FOLDER joined into FILE, in order;
                 with auto, a two-page spread gives two pages
  --pdf          searchable PDFs of each PDF and multi-page TIFF (and of the book)
                 in FOLDER/pdf/: the pictures as they are, under the saved text
                 (needs the engine loaded in the program: a plain tesseract call)
  --hocr         PICTURE.hocr beside each result (and BOOK.hocr beside the book): hOCR
                 with every character&apos;s box on the picture, the engine&apos;s confidence,
                 and x_doubtful 1 on the characters worth checking (needs the engine
                 loaded, as --pdf)
  --alto         PICTURE.alto.xml beside each result (and BOOK.alto.xml): ALTO v4
                 with every character as a Glyph and its confidence (as --hocr)
  --encoding E   what the results, document texts and book are written in:
                 shift-jis (also sjis, cp932; the default) with CR LF, or utf-8 (utf8)
                 with LF and no byte-order mark. Results already saved are kept as
                 they are (--force reads them again); joined texts in the other
                 encoding are written again
  --help         this text

Exit status: 0 all read or skipped, 1 a picture failed, 2 a wrong argument,
3 the batch could not start, 130/143 stopped by SIGINT/SIGTERM.
</source>
        <translation>使い方: quillpix [PATH...]     ウィンドウを開き、フォルダか画像 PATH を表示します
       quillpix --capture     ウィンドウを開き、すぐに画面の一部を読み取ります
       quillpix --scan FOLDER [...]  スキャナーからページを FOLDER に取り込みます（--scan --help）
       quillpix --batch FOLDER [--lang L] [--psm N] [--option TEXT] [--jobs N]
                [--force] [--shard K/N] [--keep-latin-spaces] [--paragraphs]
                [--running-heads] [--book FILE.txt] [--pdf] [--hocr] [--alto]
                [--encoding shift-jis|utf-8]

このワークスペースのウィンドウがすでに開いていれば、そのウィンドウが PATH を表示するか
画面を読み取って前に出ます。二つ目のウィンドウは開きません。

FOLDER のすべての画像 (*.bmp, *.gif, *.png, *.jpg, *.jpeg, *.tif, *.tiff, *.webp, *.pdf;
複数ページの文書は各ページ) を全体で認識し、ウィンドウの「保存」が画像全体を読んだあとに
するのと同じく、結果を画像の横に PICTURE.txt (ページは DOCUMENT.pN.txt) として保存します。
複数ページの文書は、すべてのページを読み終えると DOCUMENT.txt も作ります。各ページの
結果を、改ページ文字だけの行をはさんでつなげたものです。

  --lang L       エンジンの言語 (既定: listLang.txt の最初の行)。自動 (auto とも) は
                 画像ごとに書字方向を調べ、jpn か jpn_vert で読みます。向きを直し、
                 傾きを直し、縦書きのルビを除き、二段組は上の段から読みます
  --psm N        ページ分割モード (既定: listPSMode.txt の最初の行)
  --option TEXT  エンジンのその他のオプション (既定: listOption.txt の最初の行)
  --jobs N       同時に動かすエンジンの数、一つに一スレッド (既定: プロセッサの数。
                 多くてもその 2 倍で、メモリに収まる数まで)
  --force        結果を保存済みの画像も読み直します
  --shard K/N    自然な順で K, K+N, K+2N, ... 番目の画像だけを読みます。K は 1 から N
  --keep-latin-spaces
                 後片付けで、数字や括弧のあとの英単語や数の前の空白 (&quot;64 KiB&quot;) と、
                 英字の前の &quot;.&quot; を残します
  --paragraphs   段落ごとに行をつなげます (日本語の行の間には空白を入れません)
  --running-heads
                 自動 で、縦書きのページの柱とノンブルも読みます (既定では読みません。
                 本のテキストには本文だけがほしいことが多いので)
  --book FILE    FOLDER のすべての画像の結果を順に FILE にまとめます。自動では
                 見開きの画像を 2 ページとして読みます
  --pdf          PDF と複数ページの TIFF ごと (と --book の本) の検索できる PDF を
                 FOLDER/pdf/ に作ります。画像はそのままで、保存した文字を下に置きます
                 (プログラムに読み込んだエンジンが必要: tesseract の単純な呼び出し)
  --hocr         結果ごとに PICTURE.hocr を (--book の本には BOOK.hocr を) 横に作ります。
                 hOCR で、各文字の画像上の枠、エンジンの確信度、確かめる価値のある
                 文字には x_doubtful 1 を書きます (--pdf と同じく読み込んだエンジンが必要)
  --alto         結果ごとに PICTURE.alto.xml を (本には BOOK.alto.xml を) 作ります。
                 ALTO v4 で、各文字を Glyph として確信度とともに書きます (--hocr と同じ)
  --encoding E   結果、文書のテキスト、本の文字コード: shift-jis (sjis, cp932 とも。
                 既定) で CR LF、または utf-8 (utf8) で BOM なし、LF。保存済みの結果は
                 そのまま残します (--force で読み直します)。別の文字コードでつないだ
                 テキストは書き直します
  --help         この説明

終了状態: 0 すべて読んだか飛ばした、1 失敗した画像がある、2 引数の誤り、
3 一括認識を始められなかった、130/143 SIGINT/SIGTERM で止めた。
</translation>
    </message>
    <message>
        <source>its text is saved, but the marks of what to check could not be kept: %1</source>
        <translation>テキストは保存しましたが、要確認の印を保存できませんでした: %1</translation>
    </message>
</context>
<context>
    <name>scan</name>
    <message>
        <source>%1 pages scanned. Put the next page on the glass and press Enter (Ctrl+D ends, Ctrl+C stops)... </source>
        <translation>%1 ページをスキャンしました。次のページをガラス面に置いて Enter を押してください（Ctrl+D で終わり、Ctrl+C で中止）... </translation>
    </message>
    <message>
        <source>colour</source>
        <translation>カラー</translation>
    </message>
    <message>
        <source>grey</source>
        <translation>グレー</translation>
    </message>
    <message>
        <source>lineart</source>
        <translation>白黒</translation>
    </message>
    <message>
        <source>--scan needs a folder</source>
        <translation>--scan にはフォルダーが必要です</translation>
    </message>
    <message>
        <source>--device needs a scanner&apos;s name, such as test:0</source>
        <translation>--device にはスキャナーの名前が必要です（例: test:0）</translation>
    </message>
    <message>
        <source>--resolution wants dots per inch, such as 300, not &quot;%1&quot;</source>
        <translation>--resolution には 300 のような dpi を指定してください（「%1」ではなく）</translation>
    </message>
    <message>
        <source>--mode wants color, gray or lineart, not &quot;%1&quot;</source>
        <translation>--mode には color、gray、lineart のどれかを指定してください（「%1」ではなく）</translation>
    </message>
    <message>
        <source>--source wants flatbed or adf, not &quot;%1&quot;</source>
        <translation>--source には flatbed か adf を指定してください（「%1」ではなく）</translation>
    </message>
    <message>
        <source>--pages wants a number from 1, not &quot;%1&quot;</source>
        <translation>--pages には 1 以上の数を指定してください（「%1」ではなく）</translation>
    </message>
    <message>
        <source>page %1: scanning
</source>
        <translation>%1 ページ目: スキャン中
</translation>
    </message>
    <message>
        <source><byte value="xd"/>page %1: %2%</source>
        <translation><byte value="xd"/>%1 ページ目: %2%</translation>
    </message>
    <message>
        <source>quillpix --scan: %1: the page being scanned was not kept; %2 pages were written.
</source>
        <translation>quillpix --scan: %1: スキャン中のページは残していません。%2 ページを書き込みました。
</translation>
    </message>
    <message>
        <source>Interrupted (SIGINT)</source>
        <translation>中断しました (SIGINT)</translation>
    </message>
    <message>
        <source>Stopped (SIGTERM)</source>
        <translation>停止しました (SIGTERM)</translation>
    </message>
    <message>
        <source>Usage: quillpix --scan FOLDER [--device D] [--resolution N]
                [--mode color|gray|lineart] [--source flatbed|adf] [--pages N]

Scans pages into FOLDER (made when missing) as scan-0001.png, scan-0002.png...,
numbered on after the pages already there; no file is replaced. Each file is
printed as it is written.

  --device D      the scanner as SANE names it (default: the first one found)
  --resolution N  dots per inch (default: 300)
  --mode M        color (the default), gray or lineart (black and white)
  --source S      flatbed (the default): one page, or N pages with Enter
                  pressed between them on a terminal; adf: every sheet in the
                  document feeder until it is empty (at most N)
  --pages N       how many pages
  --help          this text

Exit status: 0 pages were written, 1 the scanner or the folder failed, 2 a wrong
argument, 3 no scanner was found, 130/143 stopped by SIGINT/SIGTERM.
</source>
        <translation>使い方: quillpix --scan FOLDER [--device D] [--resolution N]
                [--mode color|gray|lineart] [--source flatbed|adf] [--pages N]

ページをスキャンして FOLDER（なければ作ります）に scan-0001.png、scan-0002.png... と
保存します。番号はすでにあるページの続きで、ファイルを置き換えることはありません。
書き込んだファイルを一つずつ表示します。

  --device D      SANE の名前でスキャナーを指定（既定: 最初に見つかったもの）
  --resolution N  1 インチあたりのドット数（既定: 300）
  --mode M        color（既定）、gray、lineart（白黒）
  --source S      flatbed（既定）: 1 ページ、または端末で Enter を押しながら N ページ。
                  adf: フィーダーの紙を空になるまですべて（多くても N 枚）
  --pages N       ページ数
  --help          この説明

終了状態: 0 ページを書き込んだ、1 スキャナーかフォルダーの失敗、2 引数の誤り、
3 スキャナーが見つからない、130/143 SIGINT/SIGTERM で中止。
</translation>
    </message>
    <message>
        <source>unknown argument &quot;%1&quot;</source>
        <translation>不明な引数「%1」</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 には値が必要です</translation>
    </message>
    <message>
        <source>--scan FOLDER is missing</source>
        <translation>--scan FOLDER がありません</translation>
    </message>
    <message>
        <source>no scanner was found: connect one and switch it on, or name it with --device</source>
        <translation>スキャナーが見つかりません: つないで電源を入れるか、--device で名前を指定してください</translation>
    </message>
    <message>
        <source>there is no scanner %1 (%2)</source>
        <translation>スキャナー %1 がありません（%2）</translation>
    </message>
    <message>
        <source>scanner %1 is busy: another program is using it (%2)</source>
        <translation>スキャナー %1 は使用中です: ほかのプログラムが使っています（%2）</translation>
    </message>
    <message>
        <source>the feeder of scanner %1 is jammed: clear it and scan again</source>
        <translation>スキャナー %1 のフィーダーで紙が詰まりました: 取り除いてからもう一度スキャンしてください</translation>
    </message>
    <message>
        <source>the feeder of scanner %1 is empty: put the pages in and scan again</source>
        <translation>スキャナー %1 のフィーダーに紙がありません: 紙を入れてからもう一度スキャンしてください</translation>
    </message>
    <message>
        <source>the cover of scanner %1 is open: close it and scan again</source>
        <translation>スキャナー %1 のカバーが開いています: 閉じてからもう一度スキャンしてください</translation>
    </message>
    <message>
        <source>scanner %1 does not answer (%2): is it connected and switched on?</source>
        <translation>スキャナー %1 が応答しません（%2）: つながっていて電源が入っていますか？</translation>
    </message>
    <message>
        <source>scanner %1 refused access (%2): this user may not use it</source>
        <translation>スキャナー %1 が使用を拒みました（%2）: このユーザーには使う権限がありません</translation>
    </message>
    <message>
        <source>scanner %1 ran out of memory (%2)</source>
        <translation>スキャナー %1 のメモリが足りません（%2）</translation>
    </message>
    <message>
        <source>scanner %1 is warming up: scan again in a moment</source>
        <translation>スキャナー %1 は準備中です: しばらくしてからもう一度スキャンしてください</translation>
    </message>
    <message>
        <source>scanner %1 is locked for transport: unlock it and scan again</source>
        <translation>スキャナー %1 に輸送用のロックがかかっています: 外してからもう一度スキャンしてください</translation>
    </message>
    <message>
        <source>scanner %1 refused the scan: %2</source>
        <translation>スキャナー %1 がスキャンを受け付けませんでした: %2</translation>
    </message>
    <message>
        <source>scanner %1 does not scan at %2 dpi; it offers %3</source>
        <translation>スキャナー %1 は %2 dpi でスキャンできません。できるのは %3 です</translation>
    </message>
    <message>
        <source>scanner %1 has no %2 mode; it offers %3</source>
        <translation>スキャナー %1 には %2 のモードがありません。できるのは %3 です</translation>
    </message>
    <message>
        <source>scanner %1 has no %2; it offers %3</source>
        <translation>スキャナー %1 には %2 がありません。あるのは %3 です</translation>
    </message>
    <message>
        <source>document feeder</source>
        <translation>フィーダー</translation>
    </message>
    <message>
        <source>flatbed</source>
        <translation>フラットベッド</translation>
    </message>
    <message>
        <source>no other</source>
        <translation>ほかにありません</translation>
    </message>
    <message>
        <source>scanner %1 sent a page that cannot be read: %2</source>
        <translation>スキャナー %1 から届いたページを読めません: %2</translation>
    </message>
    <message>
        <source>the page could not be written: %1</source>
        <translation>ページを書き込めませんでした: %1</translation>
    </message>
    <message>
        <source>scanner %1 stopped the scan</source>
        <translation>スキャナー %1 がスキャンを止めました</translation>
    </message>
    <message>
        <source>quillpix --scan: %1
(quillpix --scan --help shows the usage)
</source>
        <translation>quillpix --scan: %1
（使い方は quillpix --scan --help で表示されます）
</translation>
    </message>
    <message>
        <source>quillpix --scan: %1
</source>
        <translation>quillpix --scan: %1
</translation>
    </message>
    <message>
        <source>quillpix --scan: %1 pages were written before this.
</source>
        <translation>quillpix --scan: それまでに %1 ページを書き込みました。
</translation>
    </message>
</context>
</TS>
