// The one place the single-file image codecs are compiled: PNG reading
// only, from memory (the player reads files itself, with its own checks),
// and PNG writing.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb_image.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_SIMD
#include <stb_image_write.h>
