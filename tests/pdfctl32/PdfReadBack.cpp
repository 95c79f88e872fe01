#include "PdfReadBack.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace readback {
namespace {

QByteArray RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return {};
    }
    return process.readAllStandardOutput();
}

// Strings in qpdf's JSON carry "u:" when they are text and "b:" when they are bytes.
std::string TextOf(const QJsonValue& value) {
    const QString text = value.toString();
    return (text.startsWith("u:") ? text.mid(2) : text).toStdString();
}

class ObjectTable {
  public:
    explicit ObjectTable(const QJsonArray& qpdf) : objects_(qpdf.at(1).toObject()) {}

    QJsonObject Value(const QString& reference) const {
        return objects_.value("obj:" + reference).toObject().value("value").toObject();
    }
    QJsonObject Stream(const QString& reference) const {
        return objects_.value("obj:" + reference).toObject().value("stream").toObject();
    }
    QJsonObject Trailer() const {
        return objects_.value("trailer").toObject().value("value").toObject();
    }
    // A page attribute, inherited from the page tree when the page lacks it.
    QJsonValue PageAttribute(QString reference, const QString& key) const {
        for (int depth = 0; depth < 32 && !reference.isEmpty(); ++depth) {
            const QJsonObject node = Value(reference);
            if (node.contains(key)) return node.value(key);
            reference = node.value("/Parent").toString();
        }
        return {};
    }

  private:
    QJsonObject objects_;
};

PdfImage ImageOf(const ObjectTable& objects, const QJsonObject& image) {
    PdfImage result;
    result.width = image.value("width").toInt();
    result.height = image.value("height").toInt();
    result.colorSpace = image.value("colorspace").toString().toStdString();
    const QJsonArray filters = image.value("filter").toArray();
    if (!filters.isEmpty()) result.filter = filters.at(0).toString().toStdString();
    const QJsonObject stream = objects.Stream(image.value("object").toString());
    result.data = QByteArray::fromBase64(stream.value("data").toString().toLatin1());
    return result;
}

}  // namespace

ToolRun RunReader(const std::string& program, const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& argument : arguments) list << QString::fromStdString(argument);
    QProcess process;
    process.start(QString::fromStdString(program), list);
    ToolRun run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        run.exitCode = process.exitCode();
    }
    run.output = process.readAllStandardOutput().toStdString();
    run.errors = process.readAllStandardError().toStdString();
    return run;
}

std::optional<PdfContents> ReadPdf(const std::string& hostPath) {
    const QByteArray json = RunTool(
        "qpdf", {"--json=2", "--json-key=pages", "--json-key=qpdf", "--json-stream-data=inline",
                 "--decode-level=none", QString::fromStdString(hostPath)});
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    if (root.isEmpty()) return std::nullopt;
    const ObjectTable objects(root.value("qpdf").toArray());

    PdfContents contents;
    for (const QJsonValue& pageValue : root.value("pages").toArray()) {
        const QJsonObject page = pageValue.toObject();
        const QJsonArray box =
            objects.PageAttribute(page.value("object").toString(), "/MediaBox").toArray();
        PdfPage result;
        result.width = box.at(2).toDouble() - box.at(0).toDouble();
        result.height = box.at(3).toDouble() - box.at(1).toDouble();
        for (const QJsonValue& image : page.value("images").toArray()) {
            result.images.push_back(ImageOf(objects, image.toObject()));
        }
        contents.pages.push_back(result);
    }
    const QJsonObject info = objects.Value(objects.Trailer().value("/Info").toString());
    for (auto entry = info.begin(); entry != info.end(); ++entry) {
        contents.info[entry.key().mid(1).toStdString()] = TextOf(entry.value());
    }
    return contents;
}

QImage RenderFirstPage(const std::string& hostPath, int dotsPerInch) {
    QTemporaryDir folder;
    const QString png = folder.filePath("page.png");
    RunTool("mutool", {"draw", "-q", "-r", QString::number(dotsPerInch), "-o", png,
                       QString::fromStdString(hostPath), "1"});
    return QImage(png);
}

}  // namespace readback
