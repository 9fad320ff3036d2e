// Embedded colour profiles (Display P3, Adobe RGB, a CMYK printer's; a
// HEIF's nclx primaries) give the photo's true colours in sRGB, worked out
// here from the colour spaces' published matrices, not by lcms2.
#include <gtest/gtest.h>

#include <cmath>

#include "TestPhotos.h"

#ifdef AVREL_HEIF
#include <libheif/heif.h>
#endif
#ifdef AVREL_ADDRESS_SANITIZER
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using makertest::Colour;
using makertest::MeanAround;
using makertest::Near;

// The patches make_test_photos.py paints, top left, top right, bottom
// left, bottom right, in the photo's own numbers.
const Colour kPatches[4] = {{200, 80, 60}, {110, 170, 120}, {60, 90, 190}, {128, 128, 128}};

using Matrix = double[3][3];
const Matrix kP3ToXyz = {{0.4865709, 0.2656677, 0.1982173},
                         {0.2289746, 0.6917385, 0.0792869},
                         {0.0000000, 0.0451134, 1.0439444}};
const Matrix kAdobeToXyz = {{0.5767309, 0.1855540, 0.1881852},
                            {0.2973769, 0.6273491, 0.0752741},
                            {0.0270343, 0.0706872, 0.9911085}};
const Matrix kXyzToSrgb = {{3.2404542, -1.5371385, -0.4985314},
                           {-0.9692660, 1.8760108, 0.0415560},
                           {0.0556434, -0.2040259, 1.0572252}};

double SrgbToLinear(double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

int LinearToSrgb(double v) {
    v = std::min(1.0, std::max(0.0, v));
    return int(
        std::lround(255 * (v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055)));
}

// A colour in an RGB space (its matrix, and the sRGB curve or Adobe's 563/256 power) in sRGB.
Colour InSrgb(const Colour& c, const Matrix& toXyz, bool adobeCurve) {
    double linear[3], xyz[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i)
        linear[i] = adobeCurve ? std::pow(c[size_t(i)] / 255.0, 563.0 / 256)
                               : SrgbToLinear(c[size_t(i)] / 255.0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            xyz[i] += toXyz[i][j] * linear[j];
    Colour out;
    for (int i = 0; i < 3; ++i)
        out[size_t(i)] = LinearToSrgb(kXyzToSrgb[i][0] * xyz[0] + kXyzToSrgb[i][1] * xyz[1] +
                                      kXyzToSrgb[i][2] * xyz[2]);
    return out;
}

// The four patches of a 64 x 64 photo fitted to 32 x 32.
void ExpectPatches(const makertest::Fitted& f, const Colour (&want)[4], int tolerance) {
    ASSERT_TRUE(f.ok) << f.why;
    const int centres[4][2] = {{8, 8}, {24, 8}, {8, 24}, {24, 24}};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(
            Near(MeanAround(f.photo.image, centres[i][0], centres[i][1], 2), want[i], tolerance))
            << "patch " << i;
}

TEST(PhotoColourTest, DisplayP3AndAdobeRgbProfilesGiveSrgbColours) {
    Colour p3[4], adobe[4];
    for (int i = 0; i < 4; ++i) {
        p3[i] = InSrgb(kPatches[i], kP3ToXyz, false);
        adobe[i] = InSrgb(kPatches[i], kAdobeToXyz, true);
    }
    // The conversion is no small change: P3's red patch is far redder in sRGB.
    EXPECT_GT(p3[0][0] - kPatches[0][0], 12);
    {
        SCOPED_TRACE("PNG iCCP");
        ExpectPatches(makertest::FitNamed("p3.png", 32, 32), p3, 2);
    }
    {
        SCOPED_TRACE("JPEG APP2");
        ExpectPatches(makertest::FitNamed("p3.jpg", 32, 32), p3, 4);
    }
    {
        SCOPED_TRACE("WebP ICCP");
        ExpectPatches(makertest::FitNamed("adobe.webp", 32, 32), adobe, 2);
    }
}

TEST(PhotoColourTest, CmykPhotosUseTheirProfileOrElseThePlainInkRule) {
    // Inks: cyan, yellow, black, none. The profile prints cyan as magenta.
    const Colour profiled[4] = {{255, 0, 255}, {255, 255, 0}, {0, 0, 0}, {255, 255, 255}};
    const Colour plain[4] = {{0, 255, 255}, {255, 255, 0}, {0, 0, 0}, {255, 255, 255}};
    {
        SCOPED_TRACE("with its profile");
        ExpectPatches(makertest::FitNamed("cmyk.jpg", 32, 32), profiled, 6);
    }
    {
        SCOPED_TRACE("without a profile");
        ExpectPatches(makertest::FitNamed("cmyk-plain.jpg", 32, 32), plain, 6);
    }
}

#ifdef AVREL_HEIF

heif_error Append(heif_context*, const void* data, size_t size, void* out) {
    auto* bytes = static_cast<std::vector<unsigned char>*>(out);
    bytes->insert(bytes->end(), static_cast<const unsigned char*>(data),
                  static_cast<const unsigned char*>(data) + size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

// A HEIC photo of the four P3 patches (128 x 128 upright), stored a
// quarter turn anticlockwise with the container saying "turn it
// clockwise", an EXIF block that says "turn it half round", and nclx
// colours with P3 primaries. Empty when this libheif cannot encode HEVC.
std::vector<unsigned char> TurnedP3Heic() {
#ifdef AVREL_ADDRESS_SANITIZER
    // x265 keeps a block from every encoder it opens; not ours to free.
    __lsan::ScopedDisabler x265Leaks;
#endif
    std::vector<unsigned char> out;
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code !=
        heif_error_Ok) {
        heif_context_free(context);
        return out;
    }
    heif_encoder_set_lossy_quality(encoder, 95);
    const int side = 128;
    heif_image* image = nullptr;
    heif_image_create(side, side, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, side, side, 8);
    int stride = 0;
    uint8_t* rows = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    // Stored pixel (x, y) shows upright pixel (side - 1 - y, x).
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            int u = side - 1 - y, v = x;
            const Colour& c = kPatches[(v >= side / 2) * 2 + (u >= side / 2)];
            for (int i = 0; i < 3; ++i)
                rows[y * stride + x * 3 + i] = uint8_t(c[size_t(i)]);
        }
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    nclx->color_primaries = heif_color_primaries_SMPTE_EG_432_1;
    nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
    nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
    nclx->full_range_flag = 1;
    heif_image_set_nclx_color_profile(image, nclx);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->output_nclx_profile = nclx;
    options->macOS_compatibility_workaround_no_nclx_profile = 0;
    options->image_orientation = heif_orientation_rotate_90_cw;
    heif_image_handle* handle = nullptr;
    if (heif_context_encode_image(context, image, encoder, options, &handle).code ==
        heif_error_Ok) {
        const unsigned char halfTurn[] = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3,
                                          0,   1,   0,  0, 0, 3, 0, 0, 0, 0, 0,    0,    0};
        heif_context_add_exif_metadata(context, handle, halfTurn, sizeof halfTurn);
        heif_writer writer = {1, Append};
        heif_context_write(context, &writer, &out);
        heif_image_handle_release(handle);
    }
    heif_encoding_options_free(options);
    heif_nclx_color_profile_free(nclx);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return out;
}

TEST(PhotoColourTest, HeicPhotosTakeTheContainersTurnAndTheirPrimaries) {
    std::vector<unsigned char> heic = TurnedP3Heic();
    if (heic.empty())
        GTEST_SKIP() << "this libheif has no HEVC encoder to write the test photo";
    Colour p3[4];
    for (int i = 0; i < 4; ++i)
        p3[i] = InSrgb(kPatches[i], kP3ToXyz, false);
    ExpectPatches(makertest::FitBytes(heic, 32, 32), p3, 8);
}

#endif

}  // namespace
