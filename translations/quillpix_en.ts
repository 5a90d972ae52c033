<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>QLineEdit</name>
    <message>
        <source>Cu&amp;t</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copy</translation>
    </message>
</context>
<context>
    <name>app</name>
    <message>
        <source>フォルダの一括認識を実行中です。
終わってから、もう一度選んでください。</source>
        <translation>The whole folder is being read.
Choose again when it has finished.</translation>
    </message>
    <message>
        <source>計算中</source>
        <translation>working it out</translation>
    </message>
    <message>
        <source>約 %1 分 %2 秒</source>
        <translation>about %1 min %2 s</translation>
    </message>
    <message>
        <source>約 %1 秒</source>
        <translation>about %1 s</translation>
    </message>
    <message>
        <source>（なし）</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>%1 の検索できる PDF を pdf/%2 に作ります。結果のないページは先に認識して保存します。</source>
        <translation>Makes the searchable PDFs of %1 in pdf/%2. Pages without a result are read and saved first.</translation>
    </message>
    <message>
        <source>このフォルダの画像をすべて認識して、結果を画像の横に保存します。</source>
        <translation>Reads every picture of this folder and saves each result beside its picture.</translation>
    </message>
    <message>
        <source>%7
%1

言語: %2
PSM: %3
他: %4
同時に読む画像: %5 枚
%6

OK で始めます。</source>
        <translation>%7
%1

Language: %2
PSM: %3
Other: %4
Pictures read at once: %5
%6

OK starts.</translation>
    </message>
    <message>
        <source>保存済みの結果も読み直して置き換えます。</source>
        <translation>Results saved before are read again and replaced.</translation>
    </message>
    <message>
        <source>結果を保存済みの画像は飛ばします。</source>
        <translation>Pictures whose result is saved are skipped.</translation>
    </message>
    <message>
        <source>%1
の画像を認識しています…</source>
        <translation>Reading the pictures of
%1…</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>読み取り中の画像が終わるのを待っています…</source>
        <translation>Waiting for the pictures being read to finish…</translation>
    </message>
    <message>
        <source>%1 / %2 枚&#x3000;残り時間: %3</source>
        <translation>%1 / %2 pictures   time left: %3</translation>
    </message>
    <message>
        <source>フォルダの一括認識を始められませんでした。
</source>
        <translation>The folder could not be read.
</translation>
    </message>
    <message>
        <source>、未処理: %1 枚</source>
        <translation>, not read: %1</translation>
    </message>
    <message>
        <source>
書きました: %1</source>
        <translation>
Written: %1</translation>
    </message>
    <message>
        <source>
最新です（書き直していません）: %1</source>
        <translation>
Up to date (not written again): %1</translation>
    </message>
    <message>
        <source>
結果のないページがあるため書いていません: %1 (%2)</source>
        <translation>
Not written, as some pages have no result: %1 (%2)</translation>
    </message>
    <message>
        <source>
書けませんでした: %1: %2</source>
        <translation>
Could not be written: %1: %2</translation>
    </message>
    <message>
        <source>次の名前は UTF-8 ではない文字を含むため、表示できず、開けません(読めない文字は � で示します)。
名前を UTF-8 に変えてから開いてください。

%1</source>
        <translation>These names hold characters that are not UTF-8, so they can be neither shown nor opened (characters that cannot be read show as �).
Rename them in UTF-8 and open them again.

%1</translation>
    </message>
    <message>
        <source>%1 を調べられません: %2</source>
        <translation>Cannot look at %1: %2</translation>
    </message>
    <message>
        <source>%1 はフォルダではなくリンクです。</source>
        <translation>%1 is a link, not a folder.</translation>
    </message>
    <message>
        <source>%1 はフォルダではありません。</source>
        <translation>%1 is not a folder.</translation>
    </message>
    <message>
        <source>%1 はほかのユーザー (ユーザー ID %2) のフォルダです。</source>
        <translation>%1 is the folder of another user (user ID %2).</translation>
    </message>
    <message>
        <source>%1 はほかのユーザーにも開かれています (モード %2、0700 でなければなりません)。</source>
        <translation>%1 is open to other users too (mode %2; it must be 0700).</translation>
    </message>
    <message>
        <source>%1 を作れません: %2</source>
        <translation>Cannot make %1: %2</translation>
    </message>
    <message>
        <source>このウィンドウは、あとから起動した Quillpix からの依頼 (quillpix PATH、--capture) を受け取れません。
%1

このウィンドウはそのまま使えます。</source>
        <translation>This window cannot take requests from a Quillpix started later (quillpix PATH, --capture).
%1

This window can be used as it is.</translation>
    </message>
    <message>
        <source>Quillpix はこのフォルダですでに起動しています。
%1

同じフォルダで二つ同時に使うと認識結果が混ざるため、起動しませんでした。先に起動したウィンドウを使ってください。</source>
        <translation>Quillpix is already running in this folder.
%1

Two at once in the same folder would mix their results, so it did not start. Use the window that started first.</translation>
    </message>
    <message>
        <source>読み取った文字をクリップボードにコピーしました。</source>
        <translation>The text read has been copied to the clipboard.</translation>
    </message>
    <message>
        <source>文字を読み取れませんでした。クリップボードはそのままです。</source>
        <translation>No text could be read. The clipboard is unchanged.</translation>
    </message>
    <message>
        <source>フォルダの一括認識を実行中です: %1
中止して閉じますか？読み取り中の画像は、読み終えて保存してから閉じます。</source>
        <translation>The folder is being read: %1
Stop and close? The pictures being read are finished and saved before the window closes.</translation>
    </message>
    <message>
        <source>読み取り中の画像が終わるのを待っています。終わったら閉じます…</source>
        <translation>Waiting for the pictures being read. The window closes once they are done…</translation>
    </message>
    <message>
        <source>
一括認識の間に保存された結果は、そのまま残しました: %1</source>
        <translation>
Results saved while the folder was being read were kept as they are: %1</translation>
    </message>
    <message>
        <source>
一括認識が読んだのではない（ウィンドウなどで保存した）結果を置き換えました: %1</source>
        <translation>
Replaced results the folder reading had not read itself (saved in the window or elsewhere): %1</translation>
    </message>
    <message>
        <source>
Shift-JIS にない文字を「?」で保存しました: %1 (%2)</source>
        <translation>
Saved &quot;?&quot; for characters Shift-JIS cannot hold: %1 (%2)</translation>
    </message>
    <message>
        <source>フォルダの一括認識を中止しました: %1</source>
        <translation>The folder reading was stopped: %1</translation>
    </message>
    <message>
        <source>フォルダの一括認識が終わりました: %1</source>
        <translation>The folder reading has finished: %1</translation>
    </message>
    <message>
        <source>%1 の PDF の作成を中止しました</source>
        <translation>Making the PDF of %1 was stopped</translation>
    </message>
    <message>
        <source>%1 の PDF の作成が終わりました</source>
        <translation>The PDF of %1 is made</translation>
    </message>
    <message>
        <source>
認識して保存: %1 枚、保存済みで飛ばした画像: %2 枚、失敗: %3 枚</source>
        <translation>
Read and saved: %1, skipped (saved before): %2, failed: %3</translation>
    </message>
    <message>
        <source>このフォルダの画像をすべて認識して、結果を画像の横に保存し、順につなげた本のテキスト %1 と、その検索できる PDF を pdf/ に作ります。</source>
        <translation>Reads every picture of this folder, saves each text beside its picture, and makes the book text %1, the texts joined in order, and its searchable PDF in pdf/.</translation>
    </message>
    <message>
        <source>%1 を開く</source>
        <translation>Open %1</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>file</translation>
    </message>
    <message>
        <source>テキストエディタや PDF ビューア</source>
        <translation>a text editor or a PDF viewer</translation>
    </message>
</context>
<context>
    <name>batchfile</name>
    <message>
        <source>ハンドル %1 は開いていません。</source>
        <translation>Handle %1 is not open.</translation>
    </message>
    <message>
        <source>ファイルを開けません: %1</source>
        <translation>Cannot open the file: %1</translation>
    </message>
    <message>
        <source>「%1」は、実行できるプログラムとして見つかりません。</source>
        <translation>&quot;%1&quot; is not found as a program that can be run.</translation>
    </message>
    <message>
        <source>続行するには何かキーを押してください . . . </source>
        <translation>Press any key to continue . . . </translation>
    </message>
    <message>
        <source>コマンドの書き方が正しくありません。</source>
        <translation>The command is not written correctly.</translation>
    </message>
</context>
<context>
    <name>booktext</name>
    <message>
        <source>フォルダを作れません: %1</source>
        <translation>Cannot make the folder: %1</translation>
    </message>
    <message>
        <source>%1 は Quillpix が書いたファイルではないため、書き直さずにそのままにしました（ページの結果は保存しました）。</source>
        <translation>%1 was not written by Quillpix, so it was left as it is (the page&apos;s result is saved).</translation>
    </message>
</context>
<context>
    <name>folderbatch</name>
    <message>
        <source>フォルダの一覧を読めません: %1</source>
        <translation>Cannot list the folder: %1</translation>
    </message>
</context>
<context>
    <name>launcher</name>
    <message>
        <source>ヘルプ</source>
        <translation>help page</translation>
    </message>
    <message>
        <source>ブラウザ</source>
        <translation>web browser</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>folder</translation>
    </message>
    <message>
        <source>ファイルマネージャ</source>
        <translation>file manager</translation>
    </message>
    <message>
        <source>テキストエディタ</source>
        <translation>text editor</translation>
    </message>
    <message>
        <source>画像ファイルが選ばれていません。
ペイントで開く画像ファイルを選んでください。</source>
        <translation>No picture is chosen.
Choose the picture to open in the paint program.</translation>
    </message>
    <message>
        <source>ペイントのプログラム kolourpaint が見つからないか、起動できません。
kolourpaint をインストールしてから、もう一度開いてください。
画像ファイル: %1</source>
        <translation>The paint program kolourpaint is not found or cannot be started.
Install kolourpaint, then open it again.
Picture: %1</translation>
    </message>
    <message>
        <source>introtool.htm</source>
        <translation>introtool_en.htm</translation>
    </message>
</context>
<context>
    <name>options</name>
    <message>
        <source>リストファイルが空です: %1</source>
        <translation>The list file is empty: %1</translation>
    </message>
    <message>
        <source>リストファイル</source>
        <translation>list file</translation>
    </message>
    <message>
        <source>テキストエディタ</source>
        <translation>text editor</translation>
    </message>
    <message>
        <source>自動</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>自動:3</source>
        <translation>Auto:3</translation>
    </message>
    <message>
        <source>単一ブロック:6</source>
        <translation>Single block:6</translation>
    </message>
    <message>
        <source>縦ブロック:5</source>
        <translation>Vert. block:5</translation>
    </message>
    <message>
        <source>1行:7</source>
        <translation>Line:7</translation>
    </message>
    <message>
        <source>単語:8</source>
        <translation>Word:8</translation>
    </message>
    <message>
        <source>疎な文字:11</source>
        <translation>Sparse text:11</translation>
    </message>
    <message>
        <source>自動(向き無):4</source>
        <translation>Auto, no OSD:4</translation>
    </message>
    <message>
        <source>空白を保つ</source>
        <translation>Keep spaces</translation>
    </message>
</context>
<context>
    <name>pagelayout</name>
    <message>
        <source>傾き %1° を直しました</source>
        <translation>a skew of %1° straightened</translation>
    </message>
    <message>
        <source>ルビを除きました</source>
        <translation>readings (ruby) left out</translation>
    </message>
    <message>
        <source>柱とノンブルを除きました</source>
        <translation>running head and page number left out</translation>
    </message>
    <message>
        <source>罫線や枠があるので紙の地を白くしました</source>
        <translation>the paper whitened, as there are rules or frames</translation>
    </message>
    <message>
        <source>ページを %1 個のブロックに分け、読む順にそれぞれの向きで読みました</source>
        <translation>the page cut into %1 blocks, each read in its own direction, in reading order</translation>
    </message>
    <message>
        <source>暗い地の明るい文字を白黒反転しました</source>
        <translation>light text on a dark ground turned dark on light</translation>
    </message>
    <message>
        <source>影や明るさのむらをならしました</source>
        <translation>shadows and uneven light evened out</translation>
    </message>
    <message>
        <source>曲がった行をまっすぐに直しました</source>
        <translation>bending lines drawn straight</translation>
    </message>
    <message>
        <source>自動の読み取りで画像 (%1 × %2 ピクセル) を調べられませんでした: %3</source>
        <translation>The automatic reading could not analyse the picture (%1 × %2 pixels): %3</translation>
    </message>
    <message>
        <source>画像処理ライブラリが受け付けません</source>
        <translation>the picture library does not take it</translation>
    </message>
</context>
<context>
    <name>pictures</name>
    <message>
        <source>%1 の %2 個の画像ファイルは、名前が UTF-8 ではない (Shift-JIS などの) ため一覧に出していません。名前を付け直してください。</source>
        <translation>%2 pictures in %1 are not listed, as their names are not UTF-8 (Shift-JIS or the like). Rename them.</translation>
    </message>
    <message>
        <source>%1 の %2 ページ</source>
        <translation>page %2 of %1</translation>
    </message>
    <message>
        <source>画像ファイルを読み込めません。
%1
%2</source>
        <translation>Cannot load the picture.
%1
%2</translation>
    </message>
    <message>
        <source>ファイルがありません。</source>
        <translation>The file does not exist.</translation>
    </message>
    <message>
        <source>ファイルを読む権限がありません。</source>
        <translation>No permission to read the file.</translation>
    </message>
    <message>
        <source>フォルダです。</source>
        <translation>It is a folder.</translation>
    </message>
    <message>
        <source>リンクが循環しています。</source>
        <translation>The links go round in a circle.</translation>
    </message>
    <message>
        <source>ファイルを開けません (エラー番号 %1)。</source>
        <translation>Cannot open the file (error number %1).</translation>
    </message>
    <message>
        <source>通常のファイルではありません。</source>
        <translation>It is not a regular file.</translation>
    </message>
    <message>
        <source>ファイルを開けません。</source>
        <translation>Cannot open the file.</translation>
    </message>
    <message>
        <source>ファイルを読めません。</source>
        <translation>Cannot read the file.</translation>
    </message>
    <message>
        <source>画像ファイルではないか、壊れています。</source>
        <translation>It is not a picture, or it is damaged.</translation>
    </message>
    <message>
        <source>画像データが壊れているか、途中で切れています。</source>
        <translation>The picture data is damaged or cut short.</translation>
    </message>
    <message>
        <source>画像データを読めません。</source>
        <translation>Cannot read the picture data.</translation>
    </message>
    <message>
        <source>
PDF の読み取りで見つかった問題:
</source>
        <translation>
Problems found reading the PDF:
</translation>
    </message>
    <message>
        <source>パスワードで保護された PDF です。</source>
        <translation>The PDF is protected by a password.</translation>
    </message>
    <message>
        <source>PDF ファイルが途中で切れています（壊れています）。</source>
        <translation>The PDF file is cut short (damaged).</translation>
    </message>
    <message>
        <source>PDF ファイルが壊れています。</source>
        <translation>The PDF file is damaged.</translation>
    </message>
    <message>
        <source>PDF にページがありません。</source>
        <translation>The PDF has no pages.</translation>
    </message>
    <message>
        <source>このファイルにはこのページがありません。</source>
        <translation>This file has no such page.</translation>
    </message>
    <message>
        <source>画像の大きさが 0 です。</source>
        <translation>The picture has a size of 0.</translation>
    </message>
    <message>
        <source>ファイルが途中で切れています。</source>
        <translation>The file is cut short.</translation>
    </message>
    <message>
        <source>この PDF は %1 ページまでです。</source>
        <translation>This PDF has only %1 pages.</translation>
    </message>
    <message>
        <source>PDF のページが壊れています。</source>
        <translation>The PDF page is damaged.</translation>
    </message>
    <message>
        <source>PDF のページの大きさが 0 です。</source>
        <translation>The PDF page has a size of 0.</translation>
    </message>
    <message>
        <source> 300 dpi で</source>
        <translation> at 300 dpi</translation>
    </message>
    <message>
        <source>PDF のページの描画を取りやめました。</source>
        <translation>Drawing the PDF page was given up.</translation>
    </message>
    <message>
        <source>PDF のページを描けません。</source>
        <translation>Cannot draw the PDF page.</translation>
    </message>
    <message>
        <source>ファイルが空です。</source>
        <translation>The file is empty.</translation>
    </message>
    <message>
        <source>画像が大きすぎて表示できません。
%1
この画像は%2幅 %3、高さ %4 ピクセルです。表示できるのは幅 %5、高さ %6 ピクセルまでです。</source>
        <translation>The picture is too large to show.
%1
This picture is%2 %3 pixels wide and %4 pixels high. At most %5 wide and %6 high can be shown.</translation>
    </message>
    <message>
        <source>画像が大きすぎてメモリに読み込めません。
%1
幅 %2、高さ %3 ピクセルで約 %4 MB になります。いまこのコンピュータで読み込めるのは %5 MB までです。</source>
        <translation>The picture is too large to load into memory.
%1
%2 by %3 pixels takes about %4 MB. This computer can load at most %5 MB now.</translation>
    </message>
</context>
<context>
    <name>pipeline</name>
    <message>
        <source>バッチファイルを起動できません: %1</source>
        <translation>Cannot start the batch file: %1</translation>
    </message>
    <message>
        <source>「%1」は、実行できるプログラムとして見つかりません。</source>
        <translation>&quot;%1&quot; is not found as a program that can be run.</translation>
    </message>
    <message>
        <source>%1 が終了コード %2 で終わりました。</source>
        <translation>%1 ended with exit code %2.</translation>
    </message>
    <message>
        <source>「%1」(U+%2)</source>
        <translation>&quot;%1&quot; (U+%2)</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>コマンドに Shift-JIS（コード ページ 932）で表せない文字があるため、tess.bat に正しく書けません: %1
文字認識は実行しません。これらの文字を含まないようにコマンドを直してください。</source>
        <translation>The command holds characters that Shift-JIS (code page 932) cannot show, so it cannot be written into tess.bat correctly: %1
The text is not read. Change the command so that it has none of these characters.</translation>
    </message>
    <message>
        <source>文字認識エンジン tesseract が見つかりません（PATH にありません）。Debian では次のパッケージをインストールしてください: tesseract-ocr tesseract-ocr-jpn
（例: sudo apt-get install tesseract-ocr tesseract-ocr-jpn）</source>
        <translation>The recognition engine tesseract is not found (it is not on PATH). On Debian install these packages: tesseract-ocr tesseract-ocr-jpn
(for example: sudo apt-get install tesseract-ocr tesseract-ocr-jpn)</translation>
    </message>
    <message>
        <source>コマンドの書き方が正しくありません: %1</source>
        <translation>The command is not written correctly: %1</translation>
    </message>
    <message>
        <source>コマンドに文字認識エンジンの呼び出し以外のもの（2 つ目のコマンド、&amp; | &lt; &gt; など）があります: %1</source>
        <translation>The command holds more than a call of the recognition engine (a second command, &amp; | &lt; &gt; or the like): %1</translation>
    </message>
    <message>
        <source>%1 を起動できません: %2</source>
        <translation>Cannot start %1: %2</translation>
    </message>
    <message>
        <source>%1 が異常終了しました</source>
        <translation>%1 ended abnormally</translation>
    </message>
    <message>
        <source>%1 が終了コード %2 で終わりました</source>
        <translation>%1 ended with exit code %2</translation>
    </message>
    <message>
        <source>自動の読み取りで画像 (%1 × %2 ピクセル) を調べられませんでした: %3</source>
        <translation>The automatic reading could not analyse the picture (%1 × %2 pixels): %3</translation>
    </message>
    <message>
        <source>読み取りを中止しました</source>
        <translation>The reading was stopped</translation>
    </message>
    <message>
        <source>文字認識エンジンが画像を読めませんでした</source>
        <translation>The recognition engine could not read the picture</translation>
    </message>
    <message>
        <source>文字認識エンジンが結果を書きませんでした</source>
        <translation>The recognition engine wrote no result</translation>
    </message>
    <message>
        <source>作業用の画像ファイルを読めません: %1</source>
        <translation>Cannot read the work picture: %1</translation>
    </message>
    <message>
        <source>文字認識結果ファイルの場所にフォルダがあります。このフォルダを移すか名前を変えてください: %1</source>
        <translation>There is a folder where the recognition result file goes. Move this folder or rename it: %1</translation>
    </message>
    <message>
        <source>前回の文字認識結果ファイルを削除できません: %1</source>
        <translation>Cannot delete the previous recognition result file: %1</translation>
    </message>
    <message>
        <source>作業用の画像ファイルを書けません: %1</source>
        <translation>Cannot write the work picture: %1</translation>
    </message>
    <message>
        <source>自動: 縦書きなので、列を右から読む --psm 5 で読みました</source>
        <translation>自動: the writing is vertical, so it was read with --psm 5, columns from right to left</translation>
    </message>
    <message>
        <source>自動: 横書きで、文字が一つのブロックに並んでいるので、行を取り違えない --psm 6 で読みました</source>
        <translation>自動: the writing is horizontal in one block, so it was read with --psm 6, which never runs two lines together</translation>
    </message>
    <message>
        <source>自動: 横書きで、罫線や枠、ほかのブロックがあるので、ページ全体を分ける --psm 3 で読みました</source>
        <translation>自動: the writing is horizontal with rules, frames or other blocks, so it was read with --psm 3, which divides the whole page</translation>
    </message>
    <message>
        <source>自動: 文字の並びが見つからないので、一つのブロックとは見なさず --psm %1 で読みました</source>
        <translation>自動: no lines of characters were found, so it was not read as one block but with --psm %1</translation>
    </message>
    <message>
        <source>自動: 横書きなので、選んだ --psm %1 で読みました</source>
        <translation>自動: the writing is horizontal, so it was read with the chosen --psm %1</translation>
    </message>
    <message>
        <source>向きを %1° 直しました</source>
        <translation>turned by %1°</translation>
    </message>
    <message>
        <source>写真のページを長方形に直しました</source>
        <translation>the photographed page drawn flat</translation>
    </message>
    <message>
        <source>%1。</source>
        <translation>%1.</translation>
    </message>
    <message>
        <source>%1。%2。</source>
        <translation>%1. Also: %2.</translation>
    </message>
</context>
<context>
    <name>platform</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>保存しない</source>
        <translation>Don&apos;t Save</translation>
    </message>
    <message>
        <source>フォルダを開く</source>
        <translation>Open Folder</translation>
    </message>
    <message>
        <source>ファイルを開く</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>%1を開くプログラム（%2）が見つかりません。
%2をインストールしてから、もう一度開いてください。
%3</source>
        <translation>The program that opens the %1 (%2) is not found.
Install a %2, then open it again.
%3</translation>
    </message>
    <message>
        <source>この画面では、画面の一部を読み取れません。
X11 のデスクトップか、スクリーンショットのポータル (xdg-desktop-portal) がある Wayland のデスクトップで使ってください。
(Qt のプラットフォーム: %1)</source>
        <translation>Part of the screen cannot be read on this screen.
Use an X11 desktop, or a Wayland desktop with the screenshot portal (xdg-desktop-portal).
(Qt platform: %1)</translation>
    </message>
    <message>
        <source>画面を読み取れませんでした。</source>
        <translation>The screen could not be read.</translation>
    </message>
    <message>
        <source>Wayland のデスクトップでは、スクリーンショットのポータル (org.freedesktop.portal.Screenshot) を通して画面を読み取ります。
このデスクトップではポータルを使えません: %1</source>
        <translation>On a Wayland desktop the screen is read through the screenshot portal (org.freedesktop.portal.Screenshot).
The portal cannot be used on this desktop: %1</translation>
    </message>
    <message>
        <source>D-Bus のセッションバスがありません。</source>
        <translation>There is no D-Bus session bus.</translation>
    </message>
    <message>
        <source>ポータルが答えませんでした。</source>
        <translation>The portal did not answer.</translation>
    </message>
    <message>
        <source>スクリーンショットを受け取れませんでした。</source>
        <translation>The screenshot could not be received.</translation>
    </message>
    <message>
        <source>Quillpix 画面から読む</source>
        <translation>Quillpix Read from Screen</translation>
    </message>
    <message>
        <source>wavファイルがwavディレクトリにありません</source>
        <translation>The wav files are not in the wav folder</translation>
    </message>
    <message>
        <source>Shift-JIS・CR LF のテキスト (*.txt)</source>
        <translation>Shift-JIS text, CR LF (*.txt)</translation>
    </message>
    <message>
        <source>UTF-8・LF のテキスト (*.txt)</source>
        <translation>UTF-8 text, LF (*.txt)</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>ドラッグで範囲を選択 / Esc で取消</source>
        <translation>Drag to choose a region / Esc to cancel</translation>
    </message>
    <message>
        <source>hOCR: 文字の位置と要確認の印つき (*.hocr)</source>
        <translation>hOCR with each character&apos;s place and marks (*.hocr)</translation>
    </message>
</context>
<context>
    <name>quillpix::FrmMain</name>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>画像ファイル</source>
        <translation>Pictures</translation>
    </message>
    <message>
        <source>一覧更新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>選択部分の左上 (100％)</source>
        <translation>Selection (100%)</translation>
    </message>
    <message>
        <source>コマンド</source>
        <translation>Cmd</translation>
    </message>
    <message>
        <source>実行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>認識した文字</source>
        <translation>Text read</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>クリア</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>フォントサイズ</source>
        <translation>Font size</translation>
    </message>
    <message>
        <source>tmp.txtを</source>
        <translation>tmp.txt:</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Actions</translation>
    </message>
    <message>
        <source>言語</source>
        <translation>Lang</translation>
    </message>
    <message>
        <source>編集</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Reload</translation>
    </message>
    <message>
        <source>他</source>
        <translation>Opt</translation>
    </message>
    <message>
        <source>コマンドを作成して実行</source>
        <translation>Read selection</translation>
    </message>
    <message>
        <source>認識結果を</source>
        <translation>Result:</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>画像フォルダが見つかりません。
%1 に名前が bmp_gif で始まるフォルダを置いてください。</source>
        <translation>The picture folder is not found.
Put a folder whose name begins with bmp_gif in %1.</translation>
    </message>
    <message>
        <source>全体</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>（画像を選んでいないときの文字）</source>
        <translation>(text written with no picture chosen)</translation>
    </message>
    <message>
        <source>（%1 ページ）</source>
        <translation> (page %1)</translation>
    </message>
    <message>
        <source>破棄する</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>次の起動まで残す</source>
        <translation>Keep until the next start</translation>
    </message>
    <message>
        <source>元の画像を開けないので、認識結果の欄に戻すだけにします。
%1
名前を付けて保存で保存できます。</source>
        <translation>The picture cannot be opened, so the text only goes back into the result box.
%1
You can save it with Save As.</translation>
    </message>
    <message>
        <source>文字認識を実行中です。
認識が終わったら閉じますか？読み取った文字は、閉じる前に保存するか尋ねます。</source>
        <translation>A recognition is running.
Close once it has ended? You will be asked whether to save the text it reads before the window closes.</translation>
    </message>
    <message>
        <source>終わったら閉じる</source>
        <translation>Close when it ends</translation>
    </message>
    <message>
        <source>中止して閉じる</source>
        <translation>Stop and close</translation>
    </message>
    <message>
        <source>続ける</source>
        <translation>Keep working</translation>
    </message>
    <message>
        <source>前回、保存しないまま終わった認識結果があります。
%1

%2

復元すると、その画像を選んで認識結果の欄に入れます（まだ保存していません）。</source>
        <translation>The last run ended with a recognition result not saved.
%1

%2

Restore chooses that picture and puts the text into the result box (not saved yet).</translation>
    </message>
    <message>
        <source>復元する</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>画像の日本語を読み取るプログラム</source>
        <translation>Reads the Japanese text of pictures</translation>
    </message>
</context>
<context>
    <name>quillpix::WindowMenus</name>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>認識結果をエディタで開く</source>
        <translation>Open the result in the editor</translation>
    </message>
    <message>
        <source>tmp.txt をエディタで開く</source>
        <translation>Open tmp.txt in the editor</translation>
    </message>
    <message>
        <source>フォルダをファイルマネージャで開く</source>
        <translation>Open the folder in the file manager</translation>
    </message>
    <message>
        <source>画像をペイントで開く</source>
        <translation>Open the picture in the paint program</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>クリア</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>コマンドを作成して実行</source>
        <translation>Read selection</translation>
    </message>
    <message>
        <source>コマンドを実行</source>
        <translation>Run the command</translation>
    </message>
    <message>
        <source>他のオプションの一覧を編集</source>
        <translation>Edit the list of other options</translation>
    </message>
    <message>
        <source>PSM の一覧を編集</source>
        <translation>Edit the PSM list</translation>
    </message>
    <message>
        <source>言語の一覧を編集</source>
        <translation>Edit the language list</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>文字の大きさ %1</source>
        <translation>Text size %1</translation>
    </message>
    <message>
        <source>一覧更新</source>
        <translation>Refresh the file list</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>バージョン情報</source>
        <translation>About Quillpix</translation>
    </message>
</context>
<context>
    <name>recognition</name>
    <message>
        <source>Tessがエラー終了しました。書きかけの文字認識結果は結果欄に加えていません。</source>
        <translation>Tess ended with an error. The result it began has not been added to the result box.</translation>
    </message>
    <message>
        <source>文字認識結果ファイルができていません。Tessがエラー終了したようです。</source>
        <translation>The recognition result file was not made. Tess seems to have ended with an error.</translation>
    </message>
    <message>
        <source>文字認識を実行中です。
実行中の文字認識が終わってから、もう一度押してください。</source>
        <translation>The text is being read.
Press again when the reading under way has finished.</translation>
    </message>
    <message>
        <source>選択範囲が小さすぎて、文字認識する画像ができません。
もう少し大きく範囲を選択してください。</source>
        <translation>The selection is too small to make a picture to read.
Select a somewhat larger area.</translation>
    </message>
    <message>
        <source>認識を中止</source>
        <translation>Stop Reading</translation>
    </message>
    <message>
        <source>認識を中止しました。結果欄はそのままです。</source>
        <translation>Reading stopped. The text box is as it was.</translation>
    </message>
    <message>
        <source>Esc で中止</source>
        <translation>Esc to stop</translation>
    </message>
    <message>
        <source>読み取り中…（%1）</source>
        <translation>Reading… (%1)</translation>
    </message>
    <message>
        <source>読み取り中… %1 %（%2）</source>
        <translation>Reading… %1 % (%2)</translation>
    </message>
</context>
<context>
    <name>resulttext</name>
    <message>
        <source>行をつなげて段落にする</source>
        <translation>Join the lines into paragraphs</translation>
    </message>
    <message>
        <source>認識時に英数字の前の空白と「.」を残す</source>
        <translation>Keep spaces before Latin letters and digits, and &quot;.&quot;, when reading</translation>
    </message>
    <message>
        <source>認識結果が保存されていません。保存しますか？</source>
        <translation>The recognition result is not saved. Save it?</translation>
    </message>
    <message>
        <source>画像ファイルが選ばれていないので、認識結果を保存できません。
画像ファイルを選んでから保存してください。</source>
        <translation>No picture is chosen, so the recognition result cannot be saved.
Choose a picture, then save.</translation>
    </message>
    <message>
        <source>認識結果を保存できませんでした。以前に保存したファイルは変更していません。
</source>
        <translation>The recognition result could not be saved. The file saved before is unchanged.
</translation>
    </message>
    <message>
        <source>認識結果のファイル</source>
        <translation>recognition result file</translation>
    </message>
    <message>
        <source>テキストエディタ</source>
        <translation>text editor</translation>
    </message>
    <message>
        <source>認識結果のファイルはまだ作成されていません。</source>
        <translation>The recognition result file has not been made yet.</translation>
    </message>
    <message>
        <source>名前を付けて保存…</source>
        <translation>Save As…</translation>
    </message>
    <message>
        <source>%1 はテキストファイルではないので、認識結果で置き換えません。ファイルはそのままです。</source>
        <translation>%1 is not a text file, so it is not replaced by the result. The file is unchanged.</translation>
    </message>
    <message>
        <source>Shift-JIS にない文字を読み取りました: %1（%2 行目）
保存するときは UTF-8 を選ぶと、そのまま残ります。</source>
        <translation>Read characters that Shift-JIS does not have: %1 (line %2)
Choose UTF-8 when saving to keep them as they are.</translation>
    </message>
    <message>
        <source>Shift-JIS で表せない文字があります: %1
%2

UTF-8 で保存すると、すべての文字がそのまま残ります。
Shift-JIS で保存すると、これらの文字は「?」に置き換わります。</source>
        <translation>Some characters cannot be written in Shift-JIS: %1
%2

Saved in UTF-8, every character is kept as it is.
Saved in Shift-JIS, these characters become &quot;?&quot;.</translation>
    </message>
    <message>
        <source>UTF-8 で保存</source>
        <translation>Save in UTF-8</translation>
    </message>
    <message>
        <source>「?」にして Shift-JIS で保存</source>
        <translation>Save in Shift-JIS with &quot;?&quot;</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>次の要確認の文字</source>
        <translation>Next character to check</translation>
    </message>
    <message>
        <source>前の要確認の文字</source>
        <translation>Previous character to check</translation>
    </message>
    <message>
        <source>この文字で正しい</source>
        <translation>This character is right</translation>
    </message>
    <message>
        <source>要確認 %1</source>
        <translation>To check: %1</translation>
    </message>
    <message>
        <source>「%1」にする</source>
        <translation>Make it “%1”</translation>
    </message>
    <message>
        <source>認識結果は保存しましたが、要確認の印を保存できませんでした。
</source>
        <translation>The result was saved, but its marks could not be saved.
</translation>
    </message>
    <message>
        <source>保存を UTF-8・LF にする（Shift-JIS・CR LF にしない）(&amp;U)</source>
        <translation>Save in &amp;UTF-8 with LF (not Shift-JIS with CR LF)</translation>
    </message>
</context>
<context>
    <name>scan</name>
    <message>
        <source>スキャナーが見つかりません。
スキャナーをつないで電源を入れてから、もう一度スキャンしてください。</source>
        <translation>No scanner was found.
Connect a scanner, switch it on and scan again.</translation>
    </message>
    <message>
        <source>スキャナー %1 が見つかりません（%2）。</source>
        <translation>There is no scanner %1 (%2).</translation>
    </message>
    <message>
        <source>スキャナー %1 は使用中です。
ほかのプログラムが使い終わってから、もう一度スキャンしてください。</source>
        <translation>Scanner %1 is busy.
Scan again when the other program has finished with it.</translation>
    </message>
    <message>
        <source>スキャナー %1 のフィーダーで紙が詰まりました。
紙を取り除いてから、もう一度スキャンしてください。</source>
        <translation>The feeder of scanner %1 is jammed.
Clear the paper and scan again.</translation>
    </message>
    <message>
        <source>スキャナー %1 のフィーダーに紙がありません。
紙を入れてから、もう一度スキャンしてください。</source>
        <translation>The feeder of scanner %1 is empty.
Put the pages in and scan again.</translation>
    </message>
    <message>
        <source>スキャナー %1 のカバーが開いています。
カバーを閉じてから、もう一度スキャンしてください。</source>
        <translation>The cover of scanner %1 is open.
Close it and scan again.</translation>
    </message>
    <message>
        <source>スキャナー %1 が応答しません（%2）。
つながっていて電源が入っているか確かめてください。</source>
        <translation>Scanner %1 does not answer (%2).
Check that it is connected and switched on.</translation>
    </message>
    <message>
        <source>スキャナー %1 を使う権限がありません（%2）。</source>
        <translation>You may not use scanner %1 (%2).</translation>
    </message>
    <message>
        <source>スキャナー %1 のメモリが足りません（%2）。</source>
        <translation>Scanner %1 ran out of memory (%2).</translation>
    </message>
    <message>
        <source>スキャナー %1 は準備中です。
しばらくしてから、もう一度スキャンしてください。</source>
        <translation>Scanner %1 is warming up.
Scan again in a moment.</translation>
    </message>
    <message>
        <source>スキャナー %1 に輸送用のロックがかかっています。
ロックを外してから、もう一度スキャンしてください。</source>
        <translation>Scanner %1 is locked for transport.
Unlock it and scan again.</translation>
    </message>
    <message>
        <source>スキャナー %1 がスキャンを受け付けませんでした（%2）。</source>
        <translation>Scanner %1 refused the scan (%2).</translation>
    </message>
    <message>
        <source>スキャナー %1 は %2 dpi でスキャンできません（できるのは %3）。</source>
        <translation>Scanner %1 cannot scan at %2 dpi (it offers %3).</translation>
    </message>
    <message>
        <source>スキャナー %1 はこの色でスキャンできません（できるのは %2）。</source>
        <translation>Scanner %1 cannot scan in these colours (it offers %2).</translation>
    </message>
    <message>
        <source>スキャナー %1 にはフィーダーがありません。</source>
        <translation>Scanner %1 has no document feeder.</translation>
    </message>
    <message>
        <source>スキャナー %1 にはフラットベッドがありません。</source>
        <translation>Scanner %1 has no flatbed.</translation>
    </message>
    <message>
        <source>スキャナー %1 から届いたページを画像にできません（%2）。</source>
        <translation>The page scanner %1 sent cannot be made into a picture (%2).</translation>
    </message>
    <message>
        <source>スキャンしたページを保存できません。
%1</source>
        <translation>The scanned page cannot be saved.
%1</translation>
    </message>
    <message>
        <source>スキャンを中止しました。</source>
        <translation>The scan was stopped.</translation>
    </message>
    <message>
        <source>スキャン</source>
        <translation>Scan</translation>
    </message>
    <message>
        <source>スキャン中止</source>
        <translation>Stop scan</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>スキャナー</source>
        <translation>Scanner</translation>
    </message>
    <message>
        <source>解像度</source>
        <translation>Resolution</translation>
    </message>
    <message>
        <source>色</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>原稿の置き場所</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>保存先</source>
        <translation>Save to</translation>
    </message>
    <message>
        <source>スキャナーを探しています…</source>
        <translation>Looking for scanners…</translation>
    </message>
    <message>
        <source>スキャナー %1 に問い合わせています…</source>
        <translation>Asking scanner %1…</translation>
    </message>
    <message>
        <source>カラー</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>グレー</source>
        <translation>Grey</translation>
    </message>
    <message>
        <source>白黒</source>
        <translation>Black and white</translation>
    </message>
    <message>
        <source>フラットベッド</source>
        <translation>Flatbed</translation>
    </message>
    <message>
        <source>フィーダー</source>
        <translation>Document feeder</translation>
    </message>
    <message>
        <source>プレビューをスキャンしています…</source>
        <translation>Scanning the preview…</translation>
    </message>
    <message>
        <source>スキャンしています…</source>
        <translation>Scanning…</translation>
    </message>
    <message>
        <source>%1 ページ目をスキャンしています…</source>
        <translation>Scanning page %1…</translation>
    </message>
    <message>
        <source>それまでの %1 ページは保存しました。</source>
        <translation>The %1 pages before it were saved.</translation>
    </message>
    <message>
        <source>スキャンを止めています…</source>
        <translation>Stopping the scan…</translation>
    </message>
    <message>
        <source>スキャン…</source>
        <translation>Scan…</translation>
    </message>
</context>
<context>
    <name>searchablepdf</name>
    <message>
        <source>PDF を書けません: %1
%2</source>
        <translation>Cannot write the PDF: %1
%2</translation>
    </message>
    <message>
        <source>書き込みは終わっています。</source>
        <translation>Writing has finished.</translation>
    </message>
    <message>
        <source>ページの画像を読めません。</source>
        <translation>Cannot read the page&apos;s picture.</translation>
    </message>
    <message>
        <source>ページがありません。</source>
        <translation>There are no pages.</translation>
    </message>
</context>
<context>
    <name>selection</name>
    <message>
        <source>選択範囲の座標が大きすぎます。</source>
        <translation>The coordinates of the selection are too large.</translation>
    </message>
    <message>
        <source>選択範囲の右端か下端が左端か上端より手前にあります。</source>
        <translation>The right or bottom edge of the selection lies before its left or top edge.</translation>
    </message>
    <message>
        <source>高さ＝</source>
        <translation>H=</translation>
    </message>
    <message>
        <source>幅＝</source>
        <translation>W=</translation>
    </message>
</context>
<context>
    <name>textfiles</name>
    <message>
        <source>文字コード変換の準備ができません（%1 の変換表がありません）。</source>
        <translation>Cannot prepare the character conversion (there is no table for %1).</translation>
    </message>
    <message>
        <source>文字コードを変換できません（%1 バイトの読み込み）。</source>
        <translation>Cannot convert the characters (reading %1 bytes).</translation>
    </message>
    <message>
        <source>文字列を Shift-JIS に変換できません（%1 文字）。</source>
        <translation>Cannot convert the text to Shift-JIS (%1 characters).</translation>
    </message>
    <message>
        <source>ファイルを読めません: %1
%2</source>
        <translation>Cannot read the file: %1
%2</translation>
    </message>
    <message>
        <source>ファイルを書けません: %1
%2</source>
        <translation>Cannot write the file: %1
%2</translation>
    </message>
    <message>
        <source>このファイルは読み取り専用です（書き込みが許可されていません）。ファイルはそのままです。</source>
        <translation>This file is read-only (writing is not allowed). The file is unchanged.</translation>
    </message>
    <message>
        <source>ディスクがいっぱいです。空きを作ってからもう一度保存してください。</source>
        <translation>The disk is full. Make some room and save again.</translation>
    </message>
    <message>
        <source>ディスクの使用量の上限（クォータ）に達しました。</source>
        <translation>The disk quota has been reached.</translation>
    </message>
    <message>
        <source>書き込みが許可されていません。</source>
        <translation>Writing is not allowed.</translation>
    </message>
    <message>
        <source>読み取り専用の場所です。</source>
        <translation>The place is read-only.</translation>
    </message>
    <message>
        <source>ファイル名が長すぎます。</source>
        <translation>The file name is too long.</translation>
    </message>
    <message>
        <source>ファイルの大きさの上限を超えました。</source>
        <translation>The file size limit has been exceeded.</translation>
    </message>
    <message>
        <source>保存先 %1 はフォルダ %2 の外です。書きません</source>
        <translation>The file %1 lies outside the folder %2. Not written</translation>
    </message>
    <message>
        <source>保存先 %1 は行き先のないリンクです%2。リンクの先には書きません</source>
        <translation>The file %1 is a link that leads nowhere%2. Not written through the link</translation>
    </message>
    <message>
        <source>保存先 %1 はフォルダの外 (%2) を指すリンクです%3。リンクの先には書きません</source>
        <translation>The file %1 is a link to outside the folder (%2)%3. Not written through the link</translation>
    </message>
    <message>
        <source>フォルダに書き込めません</source>
        <translation>the folder cannot be written to</translation>
    </message>
    <message>
        <source>同じ名前のフォルダがあります</source>
        <translation>a folder has that name</translation>
    </message>
    <message>
        <source>普通のファイルではありません（パイプや装置など）</source>
        <translation>it is not a plain file (a pipe, a device or the like)</translation>
    </message>
    <message>
        <source>書き込みが許されていません</source>
        <translation>writing to it is not permitted</translation>
    </message>
    <message>
        <source>書き込めませんでした</source>
        <translation>it could not be written</translation>
    </message>
    <message>
        <source>設定ファイルに書き込めないため、設定の変更を保存せずに続けます。変えた設定は次の起動では元に戻ります。
%1
(%2)</source>
        <translation>The settings file cannot be written, so changed settings are not kept; they go back at the next start.
%1
(%2)</translation>
    </message>
    <message>
        <source>普通のファイルではありません（FIFO、デバイスなど）</source>
        <translation>It is not a plain file (a FIFO, a device, ...)</translation>
    </message>
    <message>
        <source>テキストファイルではありません: %1</source>
        <translation>Not a text file: %1</translation>
    </message>
</context>
<context>
    <name>viewer</name>
    <message>
        <source>画像を読み込むメモリが足りません。</source>
        <translation>Not enough memory to load the picture.</translation>
    </message>
    <message>
        <source>このフォルダをすべて認識…</source>
        <translation>Read This Whole Folder…</translation>
    </message>
    <message>
        <source>検索できる PDF を作る…</source>
        <translation>Make Searchable PDFs…</translation>
    </message>
    <message>
        <source>開くファイルかフォルダが見つかりません: %1</source>
        <translation>The file or folder to open is not found: %1</translation>
    </message>
    <message>
        <source>フォルダの一覧を読めません: %1</source>
        <translation>Cannot list the folder: %1</translation>
    </message>
    <message>
        <source>このファイルは画像ファイルの一覧に出せないため、開けません: %1
開けるのは次の画像と文書です: %2</source>
        <translation>This file cannot be listed among the pictures, so it cannot be opened: %1
These pictures and documents can be opened: %2</translation>
    </message>
    <message>
        <source>フォルダを一覧に加えられません: %1</source>
        <translation>Cannot add the folder to the list: %1</translation>
    </message>
    <message>
        <source>文字認識を実行中です。
実行中の文字認識が終わってから、画像ファイルやフォルダを選んでください。</source>
        <translation>The text is being read.
Choose a picture or folder when the reading under way has finished.</translation>
    </message>
    <message>
        <source>読み込み中…</source>
        <translation>Loading…</translation>
    </message>
    <message>
        <source>表示位置が範囲を超えました (%1)。</source>
        <translation>The view position went out of range (%1).</translation>
    </message>
    <message>
        <source>画像と文書 (%1);;すべてのファイル (*)</source>
        <translation>Pictures and documents (%1);;All files (*)</translation>
    </message>
    <message>
        <source>画像を置くフォルダを作れません: %1</source>
        <translation>Cannot make the folder for the picture: %1</translation>
    </message>
    <message>
        <source>画像を PNG にできません。</source>
        <translation>Cannot make the picture into PNG.</translation>
    </message>
    <message>
        <source>フォルダを開く…</source>
        <translation>Open Folder…</translation>
    </message>
    <message>
        <source>ファイルを開く…</source>
        <translation>Open File…</translation>
    </message>
    <message>
        <source>画像を貼り付け</source>
        <translation>Paste Picture</translation>
    </message>
    <message>
        <source>画面から読む…</source>
        <translation>Read from Screen…</translation>
    </message>
    <message>
        <source>クリップボードに画像がありません。
画像をコピーしてから、もう一度貼り付けてください。</source>
        <translation>There is no picture on the clipboard.
Copy a picture, then paste again.</translation>
    </message>
    <message>
        <source>画像全体を選択</source>
        <translation>Select Whole Picture</translation>
    </message>
    <message>
        <source>画像全体を読む</source>
        <translation>Read Whole Picture</translation>
    </message>
    <message>
        <source>本のテキストと検索できる PDF を作る…</source>
        <translation>Make the Book Text and Searchable PDF…</translation>
    </message>
    <message>
        <source>検索できる PDF を作る文書のページを、ファイルの一覧で選んでください（PDF や、複数ページの TIFF）。
フォルダの画像すべての PDF は、「本のテキストと検索できる PDF を作る…」で作ります。</source>
        <translation>Choose a page of the document to make the searchable PDF of in the file list (a PDF or a TIFF of several pages).
The PDF of all the folder&apos;s pictures is made by “Make the Book Text and Searchable PDF…”.</translation>
    </message>
</context>
</TS>
