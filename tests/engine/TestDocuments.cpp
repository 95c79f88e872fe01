#include "TestDocuments.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace enginetest {
namespace {

void Quiet(void*, const char*) {}

// One MuPDF context for the length of one helper call.
class Context {
  public:
    Context() : ctx_(fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT)) {
        if (!ctx_) throw std::runtime_error("no MuPDF context");
        fz_set_warning_callback(ctx_, Quiet, nullptr);
        fz_set_error_callback(ctx_, Quiet, nullptr);
    }
    ~Context() { fz_drop_context(ctx_); }
    operator fz_context*() const { return ctx_; }

  private:
    fz_context* ctx_;
};

pdf_obj* FontResources(fz_context* ctx, pdf_document* doc) {
    fz_font* font = fz_new_base14_font(ctx, "Helvetica");
    pdf_obj* resources = nullptr;
    fz_try(ctx) {
        resources = pdf_new_dict(ctx, doc, 1);
        pdf_obj* fonts = pdf_dict_put_dict(ctx, resources, PDF_NAME(Font), 1);
        pdf_dict_puts_drop(ctx, fonts, "F1",
                           pdf_add_simple_font(ctx, doc, font, PDF_SIMPLE_ENCODING_LATIN));
    }
    fz_always(ctx) fz_drop_font(ctx, font);
    fz_catch(ctx) fz_rethrow(ctx);
    return resources;
}

void AddPage(fz_context* ctx, pdf_document* doc, pdf_obj* resources, const TestPage& layout) {
    fz_buffer* contents = nullptr;
    pdf_obj* page = nullptr;
    fz_var(contents);
    fz_var(page);
    fz_try(ctx) {
        contents = fz_new_buffer_from_copied_data(
            ctx, reinterpret_cast<const unsigned char*>(layout.content.data()),
            layout.content.size());
        page = pdf_add_page(ctx, doc, fz_make_rect(0, 0, layout.width, layout.height),
                            layout.rotate, resources, contents);
        if (layout.cropLeft)
            pdf_dict_put_rect(ctx, page, PDF_NAME(CropBox),
                              fz_make_rect(*layout.cropLeft, *layout.cropBottom, *layout.cropRight,
                                           *layout.cropTop));
        pdf_insert_page(ctx, doc, -1, page);
    }
    fz_always(ctx) {
        pdf_drop_obj(ctx, page);
        fz_drop_buffer(ctx, contents);
    }
    fz_catch(ctx) fz_rethrow(ctx);
}

bool Save(fz_context* ctx, const std::filesystem::path& path, const std::vector<TestPage>& pages,
          const pdf_write_options& options) {
    pdf_document* doc = nullptr;
    pdf_obj* resources = nullptr;
    fz_var(doc);
    fz_var(resources);
    fz_try(ctx) {
        doc = pdf_create_document(ctx);
        resources = FontResources(ctx, doc);
        for (const TestPage& page : pages) AddPage(ctx, doc, resources, page);
        pdf_save_document(ctx, doc, path.c_str(), &options);
    }
    fz_always(ctx) {
        pdf_drop_obj(ctx, resources);
        pdf_drop_document(ctx, doc);
    }
    fz_catch(ctx) return false;
    return true;
}

}  // namespace

void WritePdf(const std::filesystem::path& path, const std::vector<TestPage>& pages,
              const std::optional<TestEncryption>& encryption) {
    Context ctx;
    pdf_write_options options = pdf_default_write_options;
    if (encryption) {
        options.do_encrypt = encryption->method;
        options.permissions = -1;
        std::strncpy(options.upwd_utf8, encryption->user.c_str(), sizeof options.upwd_utf8 - 1);
        std::strncpy(options.opwd_utf8, encryption->owner.c_str(), sizeof options.opwd_utf8 - 1);
    }
    if (!Save(ctx, path, pages, options)) throw std::runtime_error("cannot write " + path.string());
}

void WriteRawPdf(const std::filesystem::path& path, const std::vector<std::string>& objects) {
    std::string pdf = "%PDF-1.7\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    std::ofstream(path, std::ios::binary) << pdf;
}

std::string StreamObject(const std::string& entries, const std::string& data) {
    return "<< " + entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
}

std::string TopLeftMark(const TestPage& page, float width, float height) {
    const float top = page.cropTop.value_or(page.height);
    const float left = page.cropLeft.value_or(0);
    return "0 0 0 rg " + std::to_string(left) + " " + std::to_string(top - height) + " " +
           std::to_string(width) + " " + std::to_string(height) + " re f\n";
}

bool DecodedImage::isBlack(int x, int y, int tolerance) const {
    const uint8_t* p = at(x, y);
    return p[0] <= tolerance && p[1] <= tolerance && p[2] <= tolerance;
}

bool DecodedImage::isWhite(int x, int y, int tolerance) const {
    const uint8_t* p = at(x, y);
    return p[0] >= 255 - tolerance && p[1] >= 255 - tolerance && p[2] >= 255 - tolerance;
}

int DecodedImage::darkRunFromLeft(int y) const {
    int x = 0;
    while (x < width && at(x, y)[0] < 128) ++x;
    return x;
}

DecodedImage Decode(const std::filesystem::path& path) {
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    FIBITMAP* loaded = format == FIF_UNKNOWN ? nullptr : FreeImage_Load(format, path.c_str(), 0);
    FIBITMAP* bitmap = loaded ? FreeImage_ConvertTo24Bits(loaded) : nullptr;
    if (loaded) FreeImage_Unload(loaded);
    if (!bitmap) throw std::runtime_error("cannot decode " + path.string());
    DecodedImage image;
    image.width = int(FreeImage_GetWidth(bitmap));
    image.height = int(FreeImage_GetHeight(bitmap));
    image.rgb.resize(size_t(image.width) * image.height * 3);
    for (int y = 0; y < image.height; ++y) {
        const BYTE* line = FreeImage_GetScanLine(bitmap, image.height - 1 - y);  // stored bottom-up
        for (int x = 0; x < image.width; ++x) {
            uint8_t* out = &image.rgb[(size_t(y) * image.width + x) * 3];
            out[0] = line[x * 3 + FI_RGBA_RED];
            out[1] = line[x * 3 + FI_RGBA_GREEN];
            out[2] = line[x * 3 + FI_RGBA_BLUE];
        }
    }
    FreeImage_Unload(bitmap);
    return image;
}

bool QpdfEncrypt(const std::filesystem::path& in, const std::filesystem::path& out,
                 const std::string& user, const std::string& owner, const std::string& bits,
                 const std::vector<std::string>& extra) {
    std::string command =
        "qpdf --allow-weak-crypto --encrypt '" + user + "' '" + owner + "' " + bits;
    for (const std::string& option : extra) command += " " + option;
    command += " -- '" + in.string() + "' '" + out.string() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::vector<std::string> FileNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace enginetest
