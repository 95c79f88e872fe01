#include "DecodeAhead.h"

#include "Printing.h"
#include "Texts.h"
#include "platform/Platform.h"

namespace imbinder {

std::string DecodedBitmapPath(int i) {
    return "c:\\tmp\\tmpnext" + std::to_string(i % kDecodesAhead) + ".bmp";
}

std::string RecognitionFilePath(int i) {
    return "c:\\tmp\\text" + std::to_string(i % kDecodesAhead) + ".txt";
}

DecodeAhead::DecodeAhead(const decoding::GuardedDecoder& decoder, std::vector<std::string> images,
                         const ocr::GuardedRecognizer* recognizer)
    : decoder_(decoder), images_(std::move(images)), recognizer_(recognizer) {}

AheadImage DecodeAhead::Next(const std::function<void()>& whileWaiting) {
    const int count = static_cast<int>(images_.size());
    while (started_ < count && started_ < next_ + kDecodesAhead)
        ahead_.push_back(Start(started_++));
    InFlight& current = ahead_.front();
    Decoded(current, whileWaiting);
    if (recognizer_ && ahead_.size() > 1) Decoded(ahead_[1], whileWaiting);

    AheadImage image{*current.decoded, {}, {}};
    if (current.recognition) {
        const ocr::RecognitionResult read = current.recognition->Finish(whileWaiting);
        if (read.error.empty())
            image.recognition = RecognitionFilePath(next_);
        else
            image.recognitionError = read.error;
    }
    ahead_.pop_front();
    // The bitmap of the image before is never drawn for this one.
    platform::DeleteFile(kBitmapPath);
    if (image.decoded.error.empty() && !platform::MoveFile(DecodedBitmapPath(next_), kBitmapPath))
        image.decoded.error = texts::kBitmapNotPlaced + std::string(kBitmapPath);
    ++next_;
    return image;
}

DecodeAhead::InFlight DecodeAhead::Start(int i) const {
    const std::string& image = images_[i];
    const std::string bitmapPath = DecodedBitmapPath(i);
    // Outside the format table the format is found from the content, then from the name.
    const int format = ImageFormatCode(image).value_or(decoding::kDetectFormat);
    platform::DeleteFile(bitmapPath);
    InFlight started;
    started.index = i;
    started.decode = decoder_.StartDecodeToBmp(platform::ToHostPath(image), format,
                                               platform::ToHostPath(bitmapPath));
    return started;
}

void DecodeAhead::Decoded(InFlight& image, const std::function<void()>& whileWaiting) const {
    if (!image.decoded) image.decoded = image.decode->Finish(whileWaiting);
    if (!recognizer_ || image.recognition || !image.decoded->error.empty()) return;
    const std::string lines = RecognitionFilePath(image.index);
    platform::DeleteFile(lines);
    image.recognition = recognizer_->Start(platform::ToHostPath(DecodedBitmapPath(image.index)),
                                           image.decoded->width, image.decoded->height,
                                           platform::ToHostPath(lines));
}

}  // namespace imbinder
