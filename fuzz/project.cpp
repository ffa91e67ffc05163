// Fuzz harness: a project file through LOAD's path (decode, check, commit),
// then encoded again: a file that loads saves back to the same bytes.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "fuzz_support.h"
#include "shell/project_layout.h" // Required for: ProjectImage, check_project, commit_project
#include "store/canvas.h"         // Required for: apply_parameters

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<ProjectImage> image(new ProjectImage);
    const char* why = "";
    if (decode_project(data, size, image.get(), &why) != 0)
        return 0;
    std::vector<uint8_t> again = encode_project(*image);
    if (again.size() > size || memcmp(again.data(), data, again.size()) != 0)
        abort(); // decode and encode disagree about some field
    if (check_project(*image, &why) != 0)
        return 0;
    commit_project(*image);
    apply_parameters();
    return 0;
}
