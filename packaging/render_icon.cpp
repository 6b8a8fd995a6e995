// Build tool: draws the application's SVG icon as PNG files in the sizes desktops look for.
// Usage: morvenda-render-icon <svg> <output folder> <size>...   (writes <folder>/<size>.png)
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QTextStream>

int main(int argc, char** argv) {
    // No display is needed to draw into an image; a build machine may have none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        err << "usage: morvenda-render-icon <svg> <output folder> <size>...\n";
        return 2;
    }
    for (const QString& sizeText : args.mid(3)) {
        bool ok = false;
        const int size = sizeText.toInt(&ok);
        if (!ok || size <= 0) {
            err << "not a size: " << sizeText << '\n';
            return 2;
        }
        QImageReader reader(args[1], "svg");
        reader.setScaledSize(QSize(size, size));
        QImage image = reader.read();
        if (image.isNull()) {
            err << "cannot draw " << args[1] << ": " << reader.errorString() << '\n';
            return 1;
        }
        image = image.convertToFormat(QImage::Format_ARGB32);
        const QString target = args[2] + QLatin1Char('/') + sizeText + QStringLiteral(".png");
        if (!image.save(target, "PNG")) {
            err << "cannot write " << target << '\n';
            return 1;
        }
    }
    return 0;
}
