#include "maker/ColourProfile.h"

#include <lcms2.h>

namespace maker {

namespace {

void Silent(cmsContext, cmsUInt32Number, const char*) {}

// x * a / 255 rounded, as Pillow pastes through a mask onto black.
inline unsigned char OnBlack(unsigned v, unsigned a) {
    unsigned t = v * a + 128;
    return static_cast<unsigned char>(((t >> 8) + t) >> 8);
}

// How lcms2 reads the samples (alpha is gone by then), and the colour
// space a profile for them describes.
struct LcmsForm {
    cmsUInt32Number type;
    cmsColorSpaceSignature space;
};

LcmsForm FormOf(Samples samples) {
    switch (samples) {
        case Samples::Grey:
        case Samples::GreyAlpha:
            return {TYPE_GRAY_8, cmsSigGrayData};
        case Samples::InvertedCmyk:
            return {TYPE_CMYK_8_REV, cmsSigCmykData};
        default:
            return {TYPE_RGB_8, cmsSigRgbData};
    }
}

}  // namespace

ColourProfile::ColourProfile(Samples samples, const std::vector<unsigned char>& iccProfile)
    : samples(samples) {
    if (iccProfile.empty())
        return;
    cmsContext ctx = cmsCreateContext(nullptr, nullptr);
    if (ctx == nullptr)
        return;
    context = ctx;
    cmsSetLogErrorHandlerTHR(ctx, Silent);
    cmsHPROFILE in =
        cmsOpenProfileFromMemTHR(ctx, iccProfile.data(), cmsUInt32Number(iccProfile.size()));
    if (in == nullptr)
        return;
    LcmsForm form = FormOf(samples);
    if (cmsGetColorSpace(in) == form.space) {
        cmsHPROFILE srgb = cmsCreate_sRGBProfileTHR(ctx);
        if (srgb != nullptr) {
            transform =
                cmsCreateTransformTHR(ctx, in, form.type, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
            cmsCloseProfile(srgb);
        }
    }
    cmsCloseProfile(in);
}

ColourProfile::~ColourProfile() {
    if (transform != nullptr)
        cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform));
    if (context != nullptr)
        cmsDeleteContext(static_cast<cmsContext>(context));
}

void ColourProfile::ToSrgb(const unsigned char* in, int count, unsigned char* out) {
    size_t n = size_t(count);
    // Transparency first, in the photo's own numbers.
    if (samples == Samples::GreyAlpha || samples == Samples::Rgba) {
        int colours = samples == Samples::Rgba ? 3 : 1;
        flat.resize(n * size_t(colours));
        unsigned char* f = flat.data();
        for (size_t i = 0; i < n; ++i, in += colours + 1)
            for (int c = 0; c < colours; ++c)
                *f++ = OnBlack(in[c], in[colours]);
        in = flat.data();
    }
    if (transform != nullptr) {
        cmsDoTransform(static_cast<cmsHTRANSFORM>(transform), in, out, cmsUInt32Number(count));
        return;
    }
    switch (samples) {
        case Samples::Grey:
        case Samples::GreyAlpha:
            for (size_t i = 0; i < n; ++i, out += 3)
                out[0] = out[1] = out[2] = in[i];
            break;
        case Samples::InvertedCmyk:
            // Pillow's rule: each colour is (1 - ink) * (1 - black); the stored
            // numbers are already 255 - ink.
            for (size_t i = 0; i < n; ++i, in += 4, out += 3) {
                unsigned keep = in[3];
                for (int c = 0; c < 3; ++c)
                    out[c] = static_cast<unsigned char>(keep - OnBlack(255u - in[c], keep));
            }
            break;
        default:
            std::copy(in, in + n * 3, out);
            break;
    }
}

std::vector<unsigned char> PrimariesProfile(const double primaries[8]) {
    std::vector<unsigned char> bytes;
    // Chromaticities of real colours lie strictly between 0 and 1.
    for (int i = 0; i < 8; ++i)
        if (!(primaries[i] > 0.0 && primaries[i] < 1.0))
            return bytes;
    cmsContext ctx = cmsCreateContext(nullptr, nullptr);
    if (ctx == nullptr)
        return bytes;
    cmsSetLogErrorHandlerTHR(ctx, Silent);
    // sRGB's curve: linear below 0.04045, a 2.4 power above.
    const cmsFloat64Number srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(ctx, 4, srgbCurve);
    cmsCIExyY white = {primaries[6], primaries[7], 1.0};
    cmsCIExyYTRIPLE rgb = {{primaries[0], primaries[1], 1.0},
                           {primaries[2], primaries[3], 1.0},
                           {primaries[4], primaries[5], 1.0}};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile =
        curve != nullptr ? cmsCreateRGBProfileTHR(ctx, &white, &rgb, curves) : nullptr;
    cmsUInt32Number size = 0;
    if (profile != nullptr && cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        bytes.resize(size);
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
            bytes.clear();
    }
    if (profile != nullptr)
        cmsCloseProfile(profile);
    if (curve != nullptr)
        cmsFreeToneCurve(curve);
    cmsDeleteContext(ctx);
    return bytes;
}

}  // namespace maker
