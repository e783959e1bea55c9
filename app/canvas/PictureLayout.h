// Where a picture lands on the canvas: centred, shrunk in proportion when too large, never enlarged.
#pragma once

namespace marksheet {

struct PicturePlacement {
    int x = 0;
    int y = 0;
    int width = 0;   ///< shown width
    int height = 0;  ///< shown height
    friend bool operator==(const PicturePlacement&, const PicturePlacement&) = default;
};

/// Place and shown size of a pictureWidth x pictureHeight picture on an areaWidth x areaHeight area.
PicturePlacement PlacePicture(int pictureWidth, int pictureHeight, int areaWidth = 400, int areaHeight = 500);

}  // namespace marksheet
