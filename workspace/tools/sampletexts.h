#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace quillpix::samples {

// What each sample picture says, line by line, and which engine language reads it. The
// picture generator draws these lines; the workspace test reads the pictures back with the
// engine and looks for them, so the two never drift apart.
struct SampleText {
    QString file;
    QString language; // the engine's -l argument that reads this picture
    QString psm;      // the page-segmentation mode that suits its layout
    QStringList lines;
    int page = -1; // the page of a document (from 0), or -1 for a picture
};

inline QList<SampleText> sampleTexts() {
    return {
        {QStringLiteral("sample1_color24.bmp"),
         QStringLiteral("jpn+eng"),
         QStringLiteral("6"),
         {QStringLiteral("これは日本語のテストです。"), QStringLiteral("Quillpix reads text."),
          QStringLiteral("画像の一部を選んで文字を読み取ります。"),
          QStringLiteral("Drag over a part of the picture.")}},
        {QStringLiteral("sample2_gray8.bmp"),
         QStringLiteral("jpn+eng"),
         QStringLiteral("6"),
         {QStringLiteral("灰色の階調で描いた画像です。"),
          QStringLiteral("This picture has 256 shades of grey."),
          QStringLiteral("結果は画像の隣に保存されます。")}},
        {QStringLiteral("sample3_mono1.bmp"),
         QStringLiteral("jpn+eng"),
         QStringLiteral("6"),
         {QStringLiteral("白と黒だけの画像です。"),
          QStringLiteral("Black and white, one bit per pixel."),
          QStringLiteral("読み取った文字は右下の欄に追加されます。")}},
        {QStringLiteral("sample4_palette.gif"),
         QStringLiteral("jpn+eng"),
         QStringLiteral("6"),
         {QStringLiteral("GIF形式の画像も開けます。"), QStringLiteral("GIF pictures open as well."),
          QStringLiteral("言語とモードは一覧から選びます。")}},
        {QStringLiteral("sample5_vertical.gif"),
         QStringLiteral("jpn_vert"),
         QStringLiteral("5"),
         // Columns run from right to left.
         {QStringLiteral("縦書きの文章です。"), QStringLiteral("右の列から読みます。"),
          QStringLiteral("言語は縦書き用を選びます。")}},
        {QStringLiteral("sample6_page.bmp"),
         QStringLiteral("jpn+eng"),
         QStringLiteral("6"),
         {QStringLiteral("大きな画像の例"),
          QStringLiteral("この画像は縮小しないと全体が見えません。"),
          QStringLiteral("表示の倍率を変えて、スクロールで移動します。"),
          QStringLiteral("Zoom out to see the whole page."),
          QStringLiteral("Scroll to reach the lower half."),
          QStringLiteral("ここはページの下の方です。"),
          QStringLiteral("This line sits near the bottom.")}},
        {QStringLiteral("sample7_photo.jpg"),
         QStringLiteral("jpn+eng"),
         QStringLiteral("6"),
         {QStringLiteral("スマートフォンで撮った写真です。"),
          QStringLiteral("Phones save pictures as JPEG.")}},
        {QStringLiteral("sample8_document.pdf"),
         QStringLiteral("jpn+eng"),
         QStringLiteral("6"),
         {QStringLiteral("PDFの一ページ目です。"), QStringLiteral("Each page is its own entry.")},
         0},
        {QStringLiteral("sample8_document.pdf"),
         QStringLiteral("jpn+eng"),
         QStringLiteral("6"),
         {QStringLiteral("次のページも読めます。"), QStringLiteral("Results are saved per page.")},
         1},
    };
}

} // namespace quillpix::samples
