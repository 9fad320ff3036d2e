#include "maker/WebPPhoto.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include "maker/ExifOrientation.h"
#include "maker/PhotoSink.h"

namespace maker {

namespace {

std::string Reason(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_NOT_ENOUGH_DATA:
            return "damaged: the file ends early";
        case VP8_STATUS_OUT_OF_MEMORY:
            return "out of memory";
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return "damaged: a WebP feature this reader lacks";
        default:
            return "damaged: the picture data is corrupt";
    }
}

// The profile and orientation from the file's chunks, where it has them.
void ReadChunks(const WebPData& data, PhotoHeader* header) {
    WebPDemuxer* demux = WebPDemux(&data);
    if (demux == nullptr)
        return;
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demux, "ICCP", 1, &chunk)) {
        header->iccProfile.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    if (WebPDemuxGetChunk(demux, "EXIF", 1, &chunk)) {
        header->orientation = ExifOrientation(chunk.chunk.bytes, chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    WebPDemuxDelete(demux);
}

// The first frame of an animation, composed on its canvas.
bool ReadFirstFrame(const WebPData& data, PhotoSink* sink, std::string* why) {
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_RGBA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    WebPAnimInfo info;
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    bool ok = decoder != nullptr && WebPAnimDecoderGetInfo(decoder, &info) &&
              WebPAnimDecoderGetNext(decoder, &canvas, &timestamp);
    if (ok) {
        sink->Start(int(info.canvas_width), int(info.canvas_height));
        sink->Rows(0, canvas, size_t(info.canvas_width) * 4, int(info.canvas_height));
    } else {
        *why = "damaged: the animation cannot be decoded";
    }
    WebPAnimDecoderDelete(decoder);
    return ok;
}

}  // namespace

bool ReadWebPPhoto(const unsigned char* bytes, size_t size, PhotoSink* sink, std::string* why) {
    WebPBitstreamFeatures features;
    VP8StatusCode status = WebPGetFeatures(bytes, size, &features);
    if (status != VP8_STATUS_OK) {
        *why = Reason(status);
        return false;
    }
    WebPData data = {bytes, size};
    PhotoHeader header;
    header.width = features.width;
    header.height = features.height;
    // An animation's canvas always comes with alpha.
    header.samples = features.has_alpha || features.has_animation ? Samples::Rgba : Samples::Rgb;
    ReadChunks(data, &header);
    if (!sink->Accept(header, why))
        return false;
    if (features.has_animation)
        return ReadFirstFrame(data, sink, why);

    WebPDecoderConfig config;
    WebPInitDecoderConfig(&config);
    int reduction = sink->Reduction();
    if (reduction > 1) {
        config.options.use_scaling = 1;
        config.options.scaled_width = (header.width + reduction - 1) / reduction;
        config.options.scaled_height = (header.height + reduction - 1) / reduction;
    }
    config.output.colorspace = features.has_alpha ? MODE_RGBA : MODE_RGB;
    status = WebPDecode(bytes, size, &config);
    if (status != VP8_STATUS_OK) {
        WebPFreeDecBuffer(&config.output);
        *why = Reason(status);
        return false;
    }
    const WebPRGBABuffer& rgba = config.output.u.RGBA;
    sink->Start(config.output.width, config.output.height);
    sink->Rows(0, rgba.rgba, size_t(rgba.stride), config.output.height);
    WebPFreeDecBuffer(&config.output);
    return true;
}

}  // namespace maker
