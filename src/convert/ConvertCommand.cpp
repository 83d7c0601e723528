#include "convert/ConvertCommand.h"

#include "convert/Bmp2str.h"
#include "platform/bitmap/PictureFile.h"
#include "platform/text/Cp932.h"

#include <cerrno>
#include <cstring>
#include <optional>

namespace glyphreel::convert {
namespace {

constexpr const char *kUsage =
    "使い方: glyphreel convert PICTURE [--pixel-width N] [--half-width] [--no-invert] [--encoding cp932|utf-8]";

struct Options {
    QString picture;
    int pixelWidth = 5;
    bool halfWidth = false;
    bool invert = true;
    bool utf8 = false;
};

int usageError(std::FILE *err, const QString &message)
{
    std::fprintf(err, "glyphreel convert: %s (%s)\n", message.toUtf8().constData(), kUsage);
    return 2;
}

} // namespace

int runConvertCommand(const QStringList &arguments, std::FILE *out, std::FILE *err)
{
    Options options;
    bool havePicture = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        std::optional<QString> inlineValue;
        if (arg.startsWith(QStringLiteral("--")) && arg.contains(u'=')) {
            inlineValue = arg.section(u'=', 1);
            arg = arg.section(u'=', 0, 0);
        }
        auto value = [&](const QString &name) -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 >= arguments.size())
                return std::nullopt;
            (void)name;
            return arguments[++i];
        };
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            std::fprintf(out, "%s\n", kUsage);
            return 0;
        } else if (arg == QStringLiteral("--pixel-width")) {
            const std::optional<QString> v = value(arg);
            if (!v)
                return usageError(err, QStringLiteral("--pixel-width には数を続けてください"));
            bool ok = false;
            const int n = v->toInt(&ok, 10);
            if (!ok || n < 1)
                return usageError(err, QStringLiteral("ピクセル幅は 1 以上の整数です (「%1」ではなく)").arg(*v));
            options.pixelWidth = n;
        } else if (arg == QStringLiteral("--half-width") && !inlineValue) {
            options.halfWidth = true;
        } else if (arg == QStringLiteral("--no-invert") && !inlineValue) {
            options.invert = false;
        } else if (arg == QStringLiteral("--encoding")) {
            const std::optional<QString> v = value(arg);
            if (!v)
                return usageError(err, QStringLiteral("--encoding には cp932 か utf-8 を続けてください"));
            const QString e = v->toLower();
            if (e == QStringLiteral("cp932") || e == QStringLiteral("shift_jis") || e == QStringLiteral("sjis"))
                options.utf8 = false;
            else if (e == QStringLiteral("utf-8") || e == QStringLiteral("utf8"))
                options.utf8 = true;
            else
                return usageError(err, QStringLiteral("知らない文字コード「%1」").arg(*v));
        } else if (arg.startsWith(u'-') && arg != QStringLiteral("-")) {
            return usageError(err, QStringLiteral("知らないオプション「%1」").arg(arguments[i]));
        } else if (!havePicture) {
            options.picture = arg;
            havePicture = true;
        } else {
            return usageError(err, QStringLiteral("一度に変換できる絵は一つです"));
        }
    }
    if (!havePicture)
        return usageError(err, QStringLiteral("絵が指定されていません"));

    std::string art;
    try {
        bitmap::Bitmap picture = bitmap::loadPictureFile(options.picture);
        art = BmpToString(picture, options.pixelWidth, options.halfWidth, options.invert);
    } catch (const std::exception &e) {
        std::fprintf(err, "glyphreel convert: %s\n", e.what());
        return 1;
    }
    if (options.utf8)
        art = text::cp932ToUtf8(art);
    if (std::fwrite(art.data(), 1, art.size(), out) != art.size() || std::fflush(out) != 0) {
        std::fprintf(err, "glyphreel convert: 文字の絵を書き出せません (%s)\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

} // namespace glyphreel::convert
