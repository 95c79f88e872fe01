#include "LayeredPage.h"

#include <exception>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "Messages.h"

namespace pdfctl32 {
namespace {

// The font's name inside the document, as its file names itself.
constexpr char kFontName[] = "/ImbinderTextLayer";
constexpr char kResourceName[] = "TextLayer";

// The descriptor's metrics are those of the font file: 1000 units to the em, ascent 800,
// descent 200, so that a selection covers the line's height above and below its baseline.
constexpr char kDescriptor[] =
    "<< /Type /FontDescriptor /Flags 4"
    " /FontBBox [0 -200 1000 800] /ItalicAngle 0 /Ascent 800 /Descent -200"
    " /CapHeight 700 /StemV 80 >>";

QPDFObjectHandle Name(const std::string& name) { return QPDFObjectHandle::newName(name); }

// A resource name the page's fonts do not use yet.
std::string FreeFontName(QPDFObjectHandle fonts) {
    std::string name = kResourceName;
    for (int i = 1; fonts.hasKey('/' + name); ++i) name = kResourceName + std::to_string(i);
    return name;
}

}  // namespace

LayeredDocument AddTextLayer(const std::string& document, const TextLayer& layer,
                             const std::string& fontFile) {
    try {
        QPDF pdf;
        // The document is libharu's, just written; anything qpdf would say about it is also
        // said by the failure, and a library prints nothing.
        pdf.setSuppressWarnings(true);
        pdf.processMemoryFile("page", document.data(), document.size());
        std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
        if (pages.size() != 1) return {{}, messages::kTextLayerNotAdded};
        QPDFPageObjectHelper& page = pages.front();

        QPDFObjectHandle resources = page.getAttribute("/Resources", true);
        if (!resources.isDictionary()) {
            resources = QPDFObjectHandle::newDictionary();
            page.getObjectHandle().replaceKey("/Resources", resources);
        }
        QPDFObjectHandle fonts = resources.getKey("/Font");
        if (!fonts.isDictionary()) {
            fonts = QPDFObjectHandle::newDictionary();
            resources.replaceKey("/Font", fonts);
        }
        const TextLayerParts parts = layer.Write(FreeFontName(fonts));

        QPDFObjectHandle file = QPDFObjectHandle::newStream(&pdf, fontFile);
        file.getDict().replaceKey(
            "/Length1", QPDFObjectHandle::newInteger(static_cast<long long>(fontFile.size())));
        QPDFObjectHandle descriptor = pdf.makeIndirectObject(QPDFObjectHandle::parse(kDescriptor));
        descriptor.replaceKey("/FontName", Name(kFontName));
        descriptor.replaceKey("/FontFile2", file);

        QPDFObjectHandle cidFont = pdf.makeIndirectObject(QPDFObjectHandle::parse(
            "<< /Type /Font /Subtype /CIDFontType2 /CIDSystemInfo"
            " << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>"));
        cidFont.replaceKey("/BaseFont", Name(kFontName));
        cidFont.replaceKey("/FontDescriptor", descriptor);
        cidFont.replaceKey("/DW", QPDFObjectHandle::parse(parts.defaultWidth));
        cidFont.replaceKey("/W", QPDFObjectHandle::parse(parts.widths));
        cidFont.replaceKey("/CIDToGIDMap", QPDFObjectHandle::newStream(&pdf, parts.cidToGidMap));

        QPDFObjectHandle font = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type0 /Encoding /Identity-H >>"));
        font.replaceKey("/BaseFont", Name(kFontName));
        font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({cidFont}));
        font.replaceKey("/ToUnicode", QPDFObjectHandle::newStream(&pdf, parts.toUnicode));
        fonts.replaceKey('/' + parts.fontName, font);

        page.addPageContents(QPDFObjectHandle::newStream(&pdf, parts.content), true);

        QPDFWriter writer(pdf);
        writer.setOutputMemory();
        // The same page and layer give the same bytes.
        writer.setDeterministicID(true);
        writer.write();
        const std::shared_ptr<Buffer> written = writer.getBufferSharedPointer();
        return {
            std::string(reinterpret_cast<const char*>(written->getBuffer()), written->getSize()),
            {}};
    } catch (const std::exception&) {
        return {{}, messages::kTextLayerNotAdded};
    }
}

}  // namespace pdfctl32
