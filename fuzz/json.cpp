// Fuzz harness: a JSON project through the project tool's reader, and a
// document it accepts through the same checks and commit as a loaded file.
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "shell/project_json.h"   // Required for: project_from_json
#include "shell/project_layout.h" // Required for: ProjectImage, check_project, commit_project

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<ProjectImage> image(new ProjectImage);
    std::vector<uint8_t> trailing;
    std::string error;
    if (project_from_json((const char*)data, size, image.get(), &trailing, &error) != 0)
        return 0;
    std::vector<uint8_t> bytes = encode_project(*image);
    const char* why = "";
    if (decode_project(bytes.data(), bytes.size(), image.get(), &why) == 0 && check_project(*image, &why) == 0)
        commit_project(*image);
    return 0;
}
