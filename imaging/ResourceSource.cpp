#include "imaging/ResourceSource.h"

#include <jerror.h>

namespace {

// Stand-by data handed to the library when a picture's bytes run out.
const JOCTET kEndOfImage[2] = {0xFF, 0xD9};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    WARNMS(cinfo, JWRN_JPEG_EOF);
    cinfo->src->next_input_byte = kEndOfImage;
    cinfo->src->bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0)
        return;
    jpeg_source_mgr* source = cinfo->src;
    if (static_cast<unsigned long>(count) > source->bytes_in_buffer) {
        FillInputBuffer(cinfo);
        return;
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<size_t>(count);
}

}  // namespace

void InstallResourceSource(j_decompress_ptr cinfo, const BYTE* bytes, DWORD size) {
    if (cinfo->src == nullptr) {
        cinfo->src = static_cast<jpeg_source_mgr*>((*cinfo->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(jpeg_source_mgr)));
    }
    jpeg_source_mgr* source = cinfo->src;
    source->init_source = InitSource;
    source->fill_input_buffer = FillInputBuffer;
    source->skip_input_data = SkipInputData;
    source->resync_to_restart = jpeg_resync_to_restart;
    source->term_source = TermSource;
    source->next_input_byte = bytes;
    source->bytes_in_buffer = size;
}
