#include "DecodeAhead.h"

#include "Printing.h"
#include "Texts.h"
#include "platform/Platform.h"

namespace imbinder {

std::string DecodedBitmapPath(int i) {
    return "c:\\tmp\\tmpnext" + std::to_string(i % kDecodesAhead) + ".bmp";
}

DecodeAhead::DecodeAhead(const decoding::GuardedDecoder& decoder, std::vector<std::string> images)
    : decoder_(decoder), images_(std::move(images)) {}

decoding::DecodeResult DecodeAhead::Next(const std::function<void()>& whileWaiting) {
    const int count = static_cast<int>(images_.size());
    while (started_ < count && started_ < next_ + kDecodesAhead)
        ahead_.push_back(Start(started_++));
    decoding::DecodeResult decoded = ahead_.front()->Finish(whileWaiting);
    ahead_.pop_front();
    // The bitmap of the image before is never drawn for this one.
    platform::DeleteFile(kBitmapPath);
    if (decoded.error.empty() && !platform::MoveFile(DecodedBitmapPath(next_), kBitmapPath))
        decoded.error = texts::kBitmapNotPlaced + std::string(kBitmapPath);
    ++next_;
    return decoded;
}

std::unique_ptr<decoding::PendingDecode> DecodeAhead::Start(int i) const {
    const std::string& image = images_[i];
    const std::string bitmapPath = DecodedBitmapPath(i);
    // Outside the format table the format is found from the content, then from the name.
    const int format = ImageFormatCode(image).value_or(decoding::kDetectFormat);
    platform::DeleteFile(bitmapPath);
    return decoder_.StartDecodeToBmp(platform::ToHostPath(image), format,
                                     platform::ToHostPath(bitmapPath));
}

}  // namespace imbinder
