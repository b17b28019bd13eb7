# Turns the PNG files into one C++ source of byte arrays, so the program reads no image
# file at run time. Run as: cmake -DOUTPUT=<file.cpp> "-DINPUTS=<a.png;b.png;...>"
# -DFRAMES=<number of busy-animation frames> -P; INPUTS are the pictures at their own size,
# then, where a program carries them, the same pictures at 1.5 and 2 times that size.
set(arrays "")
set(spans "")
set(index 0)
foreach(input IN LISTS INPUTS)
    file(READ "${input}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    "
           bytes "${bytes}")
    get_filename_component(name "${input}" NAME)
    string(APPEND arrays "// ${name}\nconst std::uint8_t kPng${index}[] = {\n    ${bytes}\n};\n")
    string(APPEND spans "    std::span<const std::uint8_t>(kPng${index}),\n")
    math(EXPR index "${index} + 1")
endforeach()

file(WRITE "${OUTPUT}.tmp" "// Generated at build time from assets/*.png; do not edit.
#include \"assets/embedded_images.h\"

#include <array>

namespace kavrel {
static_assert(kAnimationFrameCount == ${FRAMES}, \"assets/ holds ${FRAMES} busy_NN.png frames\");

namespace {
${arrays}
const std::array<std::span<const std::uint8_t>, ${index}> kPngs = {
${spans}};
}  // namespace

std::span<const std::uint8_t> EmbeddedPng(int index) {
    return kPngs.at(static_cast<std::size_t>(index));
}

std::span<const std::uint8_t> EmbeddedPng(int index, int scale) {
    const std::size_t at = static_cast<std::size_t>(scale * kEmbeddedImageCount + index);
    return at < kPngs.size() ? kPngs[at] : kPngs.at(static_cast<std::size_t>(index));
}

}  // namespace kavrel
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
