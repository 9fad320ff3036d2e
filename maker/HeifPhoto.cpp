#include "maker/HeifPhoto.h"

#include <libheif/heif.h>

#include "maker/ColourProfile.h"
#include "maker/PhotoSink.h"

namespace maker {

namespace {

// The colour profile the photo describes: its ICC profile, or one built
// from the nclx primaries when they are not sRGB's.
std::vector<unsigned char> Profile(const heif_image_handle* handle) {
    std::vector<unsigned char> icc;
    heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        icc.resize(heif_image_handle_get_raw_color_profile_size(handle));
        if (icc.empty() ||
            heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok)
            icc.clear();
        return icc;
    }
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok)
        return icc;
    if (nclx->color_primaries != heif_color_primaries_ITU_R_BT_709_5 &&
        nclx->color_primaries != heif_color_primaries_unspecified) {
        const double primaries[8] = {nclx->color_primary_red_x,   nclx->color_primary_red_y,
                                     nclx->color_primary_green_x, nclx->color_primary_green_y,
                                     nclx->color_primary_blue_x,  nclx->color_primary_blue_y,
                                     nclx->color_primary_white_x, nclx->color_primary_white_y};
        icc = PrimariesProfile(primaries);
    }
    heif_nclx_color_profile_free(nclx);
    return icc;
}

bool Decode(heif_context* context, const char* kind, PhotoSink* sink, std::string* why) {
    heif_image_handle* handle = nullptr;
    heif_error error = heif_context_get_primary_image_handle(context, &handle);
    if (error.code != heif_error_Ok) {
        *why = std::string("damaged: ") + error.message;
        return false;
    }
    PhotoHeader header;
    header.width = heif_image_handle_get_width(handle);
    header.height = heif_image_handle_get_height(handle);
    // Premultiplied colours are already flattened on black.
    bool alpha = heif_image_handle_has_alpha_channel(handle) &&
                 !heif_image_handle_is_premultiplied_alpha(handle);
    header.samples = alpha ? Samples::Rgba : Samples::Rgb;
    header.iccProfile = Profile(handle);
    if (!sink->Accept(header, why)) {
        heif_image_handle_release(handle);
        return false;
    }
    heif_decoding_options* options = heif_decoding_options_alloc();
    options->convert_hdr_to_8bit = 1;
    heif_image* image = nullptr;
    error = heif_decode_image(handle, &image, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                              options);
    heif_decoding_options_free(options);
    heif_image_handle_release(handle);
    if (error.code != heif_error_Ok) {
        if (error.code == heif_error_Unsupported_feature ||
            error.code == heif_error_Unsupported_filetype)
            *why = std::string(kind) + " photos of this kind need a decoder this libheif lacks";
        else
            *why = std::string("damaged: ") + error.message;
        return false;
    }
    int stride = 0;
    const uint8_t* rows = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    int width = heif_image_get_width(image, heif_channel_interleaved);
    int height = heif_image_get_height(image, heif_channel_interleaved);
    bool ok = rows != nullptr && width > 0 && height > 0;
    if (ok) {
        sink->Start(width, height);
        sink->Rows(0, rows, size_t(stride), height);
    } else {
        *why = "damaged: the picture cannot be decoded";
    }
    heif_image_release(image);
    return ok;
}

}  // namespace

bool ReadHeifPhoto(const unsigned char* bytes, size_t size, const char* kind, PhotoSink* sink,
                   std::string* why) {
    heif_context* context = heif_context_alloc();
    if (context == nullptr) {
        *why = "out of memory";
        return false;
    }
    heif_error error = heif_context_read_from_memory_without_copy(context, bytes, size, nullptr);
    bool ok = false;
    if (error.code != heif_error_Ok)
        *why = std::string("damaged: ") + error.message;
    else
        ok = Decode(context, kind, sink, why);
    heif_context_free(context);
    return ok;
}

}  // namespace maker
