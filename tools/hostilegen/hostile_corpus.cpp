#include "hostilegen/hostile_corpus.h"

#include "hostilegen/hostile_parts.h"
#include "samplegen/image_writers.h"
#include "writers/byte_packer.h"

#include <QBuffer>

namespace gb::tools {

namespace {

    QByteArray PngBytes()
    {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        TestCard(24, 16).save(&buffer, "PNG");
        return png;
    }

    // A ZIP archive holding one stored file, as a download that was really an archive is.
    QByteArray ZipBytes()
    {
        const QByteArray name("photo.jpg");
        const QByteArray body("not really a photo\n");
        QByteArray local("PK\x03\x04", 4);
        PutLe16(local, 10); // version needed
        PutLe16(local, 0); // flags
        PutLe16(local, 0); // stored
        PutLe32(local, 0); // time and date: none, so the bytes never change
        PutLe32(local, 0); // CRC left out: nobody unpacks it
        PutLe32(local, static_cast<quint32>(body.size()));
        PutLe32(local, static_cast<quint32>(body.size()));
        PutLe16(local, static_cast<quint32>(name.size()));
        PutLe16(local, 0);
        local += name + body;
        QByteArray end("PK\x05\x06", 4);
        end.append(16, '\0');
        PutLe16(end, 0);
        return local + end;
    }

    void AddWrongContent(QList<HostileFile>& corpus)
    {
        const QByteArray html = "<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>"
                                "<body><h1>Not Found</h1></body></html>\n";
        const auto fails = HostileOutcome::Fails;
        corpus.append({ "wrong-png-bytes.bmp", PngBytes(), fails, "a PNG under a BMP name" });
        corpus.append({ "wrong-png-bytes.ico", PngBytes(), fails, "a PNG under an icon name" });
        corpus.append({ "wrong-zip.jpg", ZipBytes(), fails, "a ZIP archive named .jpg" });
        corpus.append({ "wrong-text.jpg", "This is not a picture.\nIt is a text file.\n", fails,
            "plain text named .jpg" });
        corpus.append({ "wrong-html.gif", html, fails, "an HTML error page saved as .gif" });
        corpus.append({ "wrong-noise.cur", Noise(2048, 7), fails, "2 KB of noise named .cur" });
        corpus.append(
            { "wrong-nul-bytes.wmf", QByteArray(512, '\0'), fails, "512 zero bytes named .wmf" });
        // A good picture under another type's name: the content decides, so these load.
        const QImage card = TestCard(40, 30);
        const auto loads = HostileOutcome::Loads;
        corpus.append({ "named-wrong-gif.jpg", WriteGif(card), loads, "a GIF named .jpg" });
        corpus.append({ "named-wrong-jpeg.bmp", WriteJpeg(card, 85), loads, "a JPEG named .bmp" });
        corpus.append({ "named-wrong-bmp.emf", WriteBmp(card), loads, "a BMP named .emf" });
    }

} // namespace

QImage TestCard(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            const int shade = (x + y) * 64 / (width + height);
            const QRgb quadrant = bottom ? (right ? qRgb(255, 220, 0) : qRgb(0, 0, 200))
                                         : (right ? qRgb(0, 180, 0) : qRgb(200, 0, 0));
            image.setPixel(x, y,
                qRgb(qMin(255, qRed(quadrant) + shade), qMin(255, qGreen(quadrant) + shade),
                    qMin(255, qBlue(quadrant) + shade)));
        }
    }
    return image;
}

QByteArray Noise(qsizetype size, quint32 seed)
{
    QByteArray out;
    out.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        seed = seed * 1664525u + 1013904223u;
        out.append(static_cast<char>(seed >> 24));
    }
    return out;
}

void AddCuts(QList<HostileFile>& corpus, const QString& stem, const QString& extension,
    const QByteArray& intact, const QString& what, std::initializer_list<Cut> cuts)
{
    const QString suffix = u'.' + extension;
    corpus.append({ stem + "-intact" + suffix, intact, HostileOutcome::Loads, what });
    corpus.append({ stem + "-empty" + suffix, QByteArray(), HostileOutcome::Fails,
        "zero bytes named ." + extension });
    for (const Cut& cut : cuts) {
        const qsizetype keep = cut.keep < 0 ? intact.size() + cut.keep : cut.keep;
        const QString name = QStringLiteral("%1-cut-%2").arg(stem).arg(keep, 5, 10, QChar(u'0'));
        corpus.append({ name + suffix, intact.first(keep), cut.expected,
            QStringLiteral("%1 cut to %2 of %3 bytes: %4")
                .arg(stem)
                .arg(keep)
                .arg(intact.size())
                .arg(QString::fromLatin1(cut.where)) });
    }
}

QList<HostileFile> BuildHostileCorpus()
{
    QList<HostileFile> corpus;
    AddBitmapFiles(corpus);
    AddIconFiles(corpus);
    AddGifFiles(corpus);
    AddJpegFiles(corpus);
    AddExifFiles(corpus);
    AddMetafileFiles(corpus);
    AddDecoderVariants(corpus);
    AddWrongContent(corpus);
    return corpus;
}

QString OutcomeWord(HostileOutcome outcome)
{
    switch (outcome) {
    case HostileOutcome::Loads:
        return QStringLiteral("loads");
    case HostileOutcome::Fails:
        return QStringLiteral("fails");
    case HostileOutcome::Either:
        break;
    }
    return QStringLiteral("either");
}

QByteArray HostileCorpusReadme(const QList<HostileFile>& corpus)
{
    QByteArray text
        = "Hostile pictures: files cut short, lying about their size, pointing outside\n"
          "themselves or not being what their name says. The loader must get through\n"
          "every one without crashing, hanging or taking more than a little memory.\n"
          "\n"
          "Written by glimmerbox_hostilegen (tools/hostilegen), always to the same\n"
          "bytes; after changing the generator, run it with this folder as argument.\n"
          "\n"
          "One line per file: its name, what loading it must do (loads / fails /\n"
          "either, where either means any clean ending), and what the file is.\n"
          "\n";
    for (const HostileFile& file : corpus) {
        text += file.name.leftJustified(36).toLatin1() + ' '
            + OutcomeWord(file.expected).leftJustified(7).toLatin1() + file.what.toUtf8() + '\n';
    }
    return text;
}

} // namespace gb::tools
