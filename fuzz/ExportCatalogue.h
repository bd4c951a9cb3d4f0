#pragma once

#include <vector>

class FuzzedDataProvider;

// Every device export of the library, each wrapped in a call that takes its
// arguments from fuzz data and checks what the public header promises about
// the result and the caller's buffers (result codes, records untouched on
// failure, text buffers written exactly 32 bytes, at most 10 compensation
// points). A broken promise aborts.
class ExportCatalogue
{
public:
    struct Export {
        const char *name;
        void (*call)(int id, int axis, FuzzedDataProvider &provider);
    };

    static const std::vector<Export> &exports();
};
