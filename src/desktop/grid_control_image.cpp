#include "desktop/grid_control_image.h"

extern const unsigned char kGridControlImage[];
extern const unsigned kGridControlImage_size;

ByteSet GridControlImage()
{
    return ByteSet(kGridControlImage, kGridControlImage_size);
}
