// libFuzzer entry point (built only with -DQORVEL_FUZZ=ON and clang).
#include "fuzz_targets_helper.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = qvfuzz::TextFromBytes(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QString failure = qvfuzz::FuzzFormatter(text);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", failure.toUtf8().constData());
        std::abort();
    }
    return 0;
}
