// libFuzzer target for the RTF reader: any bytes read as a document, and
// the document written and read again keeps its text.

#include "FuzzFiles.h"
#include "platform/rtf/RtfDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace glyphreel::rtf;
    const RtfDocument doc = readRtf(std::string_view(reinterpret_cast<const char *>(data), size));
    const RtfDocument again = readRtf(writeRtf(doc));
    if (again.plainText() != doc.plainText())
        fuzzsupport::broken("a document written and read again lost its text");
    return 0;
}
