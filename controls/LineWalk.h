#pragma once
// The pixels of a one-pixel line from one point to another, as the platform's line drawing
// visits them: Bresenham over all octants, the start point included and the end point left out.
// The custom controls plot their lines pixel by pixel through this rather than through QPainter,
// whose aliased lines decide for themselves which end to leave out and on which side of a half
// pixel to fall.
#include <cstdlib>

// Calls visit(x, y) for each pixel of the line, in order from the start.
template <typename Visit> void WalkLine(int fromX, int fromY, int toX, int toY, Visit &&visit)
{
    const int dx = std::abs(toX - fromX);
    const int dy = std::abs(toY - fromY);
    const int sx = fromX < toX ? 1 : -1;
    const int sy = fromY < toY ? 1 : -1;
    int x = fromX;
    int y = fromY;
    int error = dx - dy;
    while (x != toX || y != toY) {
        visit(x, y);
        const int twice = 2 * error;
        if (twice > -dy) {
            error -= dy;
            x += sx;
        }
        if (twice < dx) {
            error += dx;
            y += sy;
        }
    }
}
