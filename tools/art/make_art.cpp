// make_art: draws every bitmap the program shows and writes them as 24-bit BMP files.
//
//   make_art OUTPUT_DIR [FONT_DIR]
//
// Shapes are described by signed distance functions and filled with 8x8 samples per
// pixel, which is the same as drawing at 8x and box-filtering down. Text comes from
// SDL_ttf (already anti-aliased) and is blended in at 1x. The output depends only on
// this file and the fonts, so every run writes the same bytes.

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;

// ----------------------------------------------------------------------------- colours

struct Rgb {
    int r, g, b;
};

struct Rgba {
    double r, g, b, a;  // 0..1, not premultiplied
};

Rgba rgba(Rgb c, double a = 1.0) { return {c.r / 255.0, c.g / 255.0, c.b / 255.0, a}; }

Rgba mix(Rgba a, Rgba b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

// Where the images are shown.
constexpr Rgb BarGrey{221, 224, 227};     // window background, toolbar, dialogs
constexpr Rgb RowGreen{228, 250, 163};    // selected list row
constexpr Rgb TitleBlue{207, 225, 243};   // list title bar
constexpr Rgb White{255, 255, 255};       // colour key and scroll band

// Our palette.
constexpr Rgb BlueLight{82, 150, 222};
constexpr Rgb BlueDark{30, 92, 168};
constexpr Rgb BlueEdge{22, 60, 118};
constexpr Rgb TileTop{242, 247, 253};
constexpr Rgb TileBottom{204, 222, 243};
constexpr Rgb TileEdge{112, 152, 206};

// ----------------------------------------------------------------------------- geometry

using Sdf = std::function<double(double, double)>;
using Paint = std::function<Rgba(double, double)>;

double len(double x, double y) { return std::sqrt(x * x + y * y); }

double seg_dist(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double l2 = dx * dx + dy * dy;
    double t = l2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / l2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return len(px - ax - dx * t, py - ay - dy * t);
}

struct Pt {
    double x, y;
};

Sdf circle(double cx, double cy, double r) {
    return [=](double x, double y) { return len(x - cx, y - cy) - r; };
}

Sdf ellipse(double cx, double cy, double rx, double ry) {
    // Not an exact distance, but close enough for the small highlights it is used for.
    return [=](double x, double y) {
        const double k = len((x - cx) / rx, (y - cy) / ry);
        return (k - 1.0) * std::min(rx, ry);
    };
}

// Rectangle from (x0,y0) to (x1,y1) with corner radius r.
Sdf box(double x0, double y0, double x1, double y1, double r) {
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
    return [=](double x, double y) {
        const double qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
        return len(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
    };
}

Sdf stroke(std::vector<Pt> pts, double width) {
    return [pts = std::move(pts), h = width / 2](double x, double y) {
        double d = 1e9;
        for (size_t i = 0; i + 1 < pts.size(); ++i)
            d = std::min(d, seg_dist(x, y, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y));
        return d - h;
    };
}

Sdf polygon(std::vector<Pt> v) {
    return [v = std::move(v)](double x, double y) {
        double d = 1e18;
        bool inside = false;
        for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
            d = std::min(d, seg_dist(x, y, v[j].x, v[j].y, v[i].x, v[i].y));
            if ((v[i].y > y) != (v[j].y > y) &&
                x < (v[j].x - v[i].x) * (y - v[i].y) / (v[j].y - v[i].y) + v[i].x)
                inside = !inside;
        }
        return inside ? -d : d;
    };
}

// Ring of radius R and width w around (cx,cy), from angle a0 to a1 (degrees, clockwise on
// screen since y points down), with square ends.
Sdf arc(double cx, double cy, double R, double w, double a0, double a1) {
    const double h = w / 2;
    const double r0 = a0 * Pi / 180, r1 = a1 * Pi / 180;
    const Pt e0i{cx + (R - h) * std::cos(r0), cy + (R - h) * std::sin(r0)};
    const Pt e0o{cx + (R + h) * std::cos(r0), cy + (R + h) * std::sin(r0)};
    const Pt e1i{cx + (R - h) * std::cos(r1), cy + (R - h) * std::sin(r1)};
    const Pt e1o{cx + (R + h) * std::cos(r1), cy + (R + h) * std::sin(r1)};
    return [=](double x, double y) {
        double a = std::atan2(y - cy, x - cx);
        while (a < r0) a += 2 * Pi;
        while (a >= r0 + 2 * Pi) a -= 2 * Pi;
        const double dcap = std::min(seg_dist(x, y, e0i.x, e0i.y, e0o.x, e0o.y),
                                     seg_dist(x, y, e1i.x, e1i.y, e1o.x, e1o.y));
        if (a > r1) return dcap;
        const double dring = std::fabs(len(x - cx, y - cy) - R) - h;
        if (dring > 0) return dring;
        return std::max(dring, -dcap);
    };
}

Sdf unite(Sdf a, Sdf b) {
    return [=](double x, double y) { return std::min(a(x, y), b(x, y)); };
}
Sdf intersect(Sdf a, Sdf b) {
    return [=](double x, double y) { return std::max(a(x, y), b(x, y)); };
}
// Grows (k > 0) or shrinks (k < 0) a shape; growing also rounds its corners.
Sdf grow(Sdf a, double k) {
    return [=](double x, double y) { return a(x, y) - k; };
}

Paint solid(Rgb c, double a = 1.0) {
    const Rgba v = rgba(c, a);
    return [=](double, double) { return v; };
}

Paint vgrad(double y0, Rgb top, double y1, Rgb bottom) {
    const Rgba a = rgba(top), b = rgba(bottom);
    return [=](double, double y) { return mix(a, b, (y - y0) / (y1 - y0)); };
}

Paint radial(double cx, double cy, double r, Rgb inner, Rgb outer) {
    const Rgba a = rgba(inner), b = rgba(outer);
    return [=](double x, double y) { return mix(a, b, len(x - cx, y - cy) / r); };
}

// Places a shape drawn in its own units at (ox,oy), scaled by s.
struct Place {
    double ox = 0, oy = 0, s = 1;
};

// ----------------------------------------------------------------------------- canvas

class Canvas {
public:
    Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<size_t>(w) * h * 4, 0.0) {}

    int width() const { return w_; }
    int height() const { return h_; }

    void clear(Rgb c) {
        for (int i = 0; i < w_ * h_; ++i) {
            px_[i * 4 + 0] = c.r / 255.0;
            px_[i * 4 + 1] = c.g / 255.0;
            px_[i * 4 + 2] = c.b / 255.0;
            px_[i * 4 + 3] = 1.0;
        }
    }

    void fill(const Sdf& shape, const Paint& paint, Place at = {}) {
        constexpr int N = 8;  // samples per pixel edge
        for (int j = 0; j < h_; ++j) {
            for (int i = 0; i < w_; ++i) {
                const double lx = (i + 0.5 - at.ox) / at.s, ly = (j + 0.5 - at.oy) / at.s;
                const double d = shape(lx, ly) * at.s;
                double cover;
                if (d > 0.75) continue;
                if (d < -0.75) {
                    cover = 1.0;
                } else {
                    int hits = 0;
                    for (int v = 0; v < N; ++v)
                        for (int u = 0; u < N; ++u) {
                            const double sx = (i + (u + 0.5) / N - at.ox) / at.s;
                            const double sy = (j + (v + 0.5) / N - at.oy) / at.s;
                            if (shape(sx, sy) <= 0) ++hits;
                        }
                    if (!hits) continue;
                    cover = double(hits) / (N * N);
                }
                blend(i, j, paint(lx, ly), cover);
            }
        }
    }

    // Blends text rendered by SDL_ttf with its top-left corner at (x,y).
    void text(TTF_Font* font, const std::string& s, int x, int y, Rgb colour) {
        SDL_Color c{static_cast<Uint8>(colour.r), static_cast<Uint8>(colour.g),
                    static_cast<Uint8>(colour.b), 0};
        SDL_Surface* t = TTF_RenderUTF8_Blended(font, s.c_str(), c);
        if (!t) {
            std::fprintf(stderr, "make_art: cannot render \"%s\": %s\n", s.c_str(), TTF_GetError());
            std::exit(1);
        }
        SDL_LockSurface(t);
        for (int j = 0; j < t->h; ++j)
            for (int i = 0; i < t->w; ++i) {
                const Uint32 p = static_cast<Uint32*>(t->pixels)[j * (t->pitch / 4) + i];
                Uint8 r, g, b, a;
                SDL_GetRGBA(p, t->format, &r, &g, &b, &a);
                if (a) blend(x + i, y + j, rgba(colour), a / 255.0);
            }
        SDL_UnlockSurface(t);
        SDL_FreeSurface(t);
    }

    // Final pixel colours. Pixels nothing was drawn on become `empty`; the others are
    // laid over `under`. When `keyed`, white is the transparent colour, so drawn pixels
    // that would come out pure white are nudged off it.
    std::vector<uint8_t> flatten(Rgb under, Rgb empty, bool keyed) const {
        std::vector<uint8_t> out(static_cast<size_t>(w_) * h_ * 3);
        for (int k = 0; k < w_ * h_; ++k) {
            const double a = px_[k * 4 + 3];
            int rgb[3];
            if (a * 255 < 0.5) {
                rgb[0] = empty.r, rgb[1] = empty.g, rgb[2] = empty.b;
            } else {
                const int u[3] = {under.r, under.g, under.b};
                for (int c = 0; c < 3; ++c) {
                    const double v = px_[k * 4 + c] + u[c] / 255.0 * (1 - a);
                    rgb[c] = std::clamp(static_cast<int>(std::lround(v * 255)), 0, 255);
                }
                if (keyed && rgb[0] == 255 && rgb[1] == 255 && rgb[2] == 255) rgb[2] = 254;
            }
            for (int c = 0; c < 3; ++c) out[k * 3 + c] = static_cast<uint8_t>(rgb[c]);
        }
        return out;
    }

private:
    void blend(int i, int j, Rgba c, double cover) {
        if (i < 0 || j < 0 || i >= w_ || j >= h_) return;
        const double a = c.a * cover;
        double* p = &px_[(static_cast<size_t>(j) * w_ + i) * 4];
        p[0] = c.r * a + p[0] * (1 - a);
        p[1] = c.g * a + p[1] * (1 - a);
        p[2] = c.b * a + p[2] * (1 - a);
        p[3] = a + p[3] * (1 - a);
    }

    int w_, h_;
    std::vector<double> px_;  // premultiplied r, g, b, a
};

// ----------------------------------------------------------------------------- output

void put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(x & 0xff);
    v.push_back((x >> 8) & 0xff);
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
    put16(v, x & 0xffff);
    put16(v, x >> 16);
}

std::string OutDir;
int Failures = 0;

// Writes an uncompressed 24-bit BMP (bottom-up rows, padded to 4 bytes), then reads it
// back through SDL to make sure the program will see exactly these pixels.
void save(const std::string& name, int w, int h, const std::vector<uint8_t>& rgb) {
    const uint32_t row = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    const uint32_t image = row * h;
    std::vector<uint8_t> f;
    f.push_back('B');
    f.push_back('M');
    put32(f, 14 + 40 + image);
    put32(f, 0);
    put32(f, 14 + 40);
    put32(f, 40);
    put32(f, w);
    put32(f, h);
    put16(f, 1);
    put16(f, 24);
    put32(f, 0);  // BI_RGB
    put32(f, image);
    put32(f, 2835);  // 72 dpi
    put32(f, 2835);
    put32(f, 0);
    put32(f, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            f.push_back(p[2]);
            f.push_back(p[1]);
            f.push_back(p[0]);
        }
        for (uint32_t k = w * 3; k < row; ++k) f.push_back(0);
    }

    const std::string path = OutDir + "/" + name;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(f.data(), 1, f.size(), out) != f.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "make_art: cannot write %s\n", path.c_str());
        std::exit(1);
    }

    SDL_Surface* back = SDL_LoadBMP(path.c_str());
    bool same = back && back->w == w && back->h == h;
    if (same) {
        SDL_LockSurface(back);
        const int bpp = back->format->BytesPerPixel;
        for (int y = 0; y < h && same; ++y)
            for (int x = 0; x < w && same; ++x) {
                const uint8_t* q = static_cast<uint8_t*>(back->pixels) + y * back->pitch + x * bpp;
                Uint32 v = 0;
                std::memcpy(&v, q, std::min(bpp, 4));
                Uint8 r, g, b;
                SDL_GetRGB(v, back->format, &r, &g, &b);
                const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
                same = r == p[0] && g == p[1] && b == p[2];
            }
        SDL_UnlockSurface(back);
    }
    if (back) SDL_FreeSurface(back);
    if (!same) {
        std::fprintf(stderr, "make_art: %s does not read back as written\n", path.c_str());
        ++Failures;
    }
    std::printf("%-26s %3dx%-3d\n", name.c_str(), w, h);
}

// ----------------------------------------------------------------------------- glyphs

// Two clockwise arrows chasing each other round a circle, in a 40x40 box.
Sdf refresh_shape() {
    const double cx = 20, cy = 20, R = 11.2, w = 4.4;
    Sdf s = nullptr;
    for (double start : {200.0, 20.0}) {
        const double end = start + 122;
        const double head = 6.4;  // half width of the arrow head
        const double reach = 30.0; // degrees the head runs past the end of the arc
        const double re = end * Pi / 180, rt = (end + reach) * Pi / 180;
        const Pt in{cx + (R - head) * std::cos(re), cy + (R - head) * std::sin(re)};
        const Pt out{cx + (R + head) * std::cos(re), cy + (R + head) * std::sin(re)};
        const Pt tip{cx + R * std::cos(rt), cy + R * std::sin(rt)};
        Sdf one = unite(arc(cx, cy, R, w, start, end + 1), grow(polygon({in, out, tip}), 0.4));
        s = s ? unite(s, one) : one;
    }
    return s;
}

void draw_refresh(Canvas& c, Place at, Rgb top = BlueLight, Rgb bottom = BlueDark,
                  Rgb edge = BlueEdge) {
    Sdf s = refresh_shape();
    c.fill(grow(s, 1.0), solid(edge), at);
    c.fill(s, vgrad(6, top, 34, bottom), at);
}

// Left arrow in a 40x40 box.
void draw_left_arrow(Canvas& c, Place at) {
    Sdf s = grow(polygon({{8.5, 20}, {19, 9.5}, {19, 15.5}, {31.5, 15.5}, {31.5, 24.5},
                          {19, 24.5}, {19, 30.5}}),
                 1.2);
    c.fill(grow(s, 1.0), solid(BlueEdge), at);
    c.fill(s, vgrad(8, BlueLight, 32, BlueDark), at);
}

// Highlight tile behind toolbar buttons, in a 40x40 box.
void draw_tile(Canvas& c) {
    c.fill(box(0.5, 0.5, 39.5, 39.5, 6), solid(TileEdge));
    c.fill(box(1.5, 1.5, 38.5, 38.5, 5), vgrad(1.5, TileTop, 38.5, TileBottom));
}

// Address card with a pencil, in a 20x20 box.
void draw_address_edit(Canvas& c, Place at) {
    const Rgb ink{52, 72, 104};
    c.fill(box(0.5, 2.5, 16.5, 15.5, 1.6), solid(ink), at);
    c.fill(box(1.5, 3.5, 15.5, 14.5, 0.8), vgrad(3.5, {255, 255, 255}, 14.5, {232, 238, 245}), at);
    // person
    c.fill(circle(5.2, 7.2, 1.9), solid(BlueDark), at);
    c.fill(intersect(circle(5.2, 13.4, 3.6), box(0, 0, 20, 13.3, 0)), solid(BlueDark), at);
    // address lines
    c.fill(stroke({{9.3, 6.8}, {13.6, 6.8}}, 1.3), solid({120, 134, 152}), at);
    c.fill(stroke({{9.3, 9.6}, {12.4, 9.6}}, 1.3), solid({120, 134, 152}), at);
    // pencil, from the top right down to its point at the lower left
    const Pt a{18.4, 9.4}, b{12.6, 15.2};
    const double ux = (b.x - a.x) / len(b.x - a.x, b.y - a.y), uy = (b.y - a.y) / len(b.x - a.x, b.y - a.y);
    const double nx = -uy, ny = ux, h = 1.75;
    const Pt tip{b.x + ux * 3.6, b.y + uy * 3.6};
    Sdf body = polygon({{a.x + nx * h, a.y + ny * h}, {b.x + nx * h, b.y + ny * h},
                        {b.x - nx * h, b.y - ny * h}, {a.x - nx * h, a.y - ny * h}});
    Sdf point = polygon({{b.x + nx * h, b.y + ny * h}, tip, {b.x - nx * h, b.y - ny * h}});
    c.fill(grow(unite(body, point), 0.9), solid({92, 58, 18}), at);
    c.fill(body, vgrad(9, {255, 196, 64}, 17, {232, 142, 28}), at);
    c.fill(point, solid({246, 214, 168}), at);
    c.fill(intersect(point, circle(tip.x, tip.y, 1.4)), solid({50, 50, 56}), at);
    c.fill(polygon({{a.x + nx * h, a.y + ny * h}, {a.x + ux * 1.6 + nx * h, a.y + uy * 1.6 + ny * h},
                    {a.x + ux * 1.6 - nx * h, a.y + uy * 1.6 - ny * h}, {a.x - nx * h, a.y - ny * h}}),
           solid({214, 96, 96}), at);
}

// Lightning flash in a 20x20 box.
void draw_flash(Canvas& c, Place at) {
    Sdf s = polygon({{8.6, 1.2}, {15.2, 1.2}, {11.4, 7.6}, {15.8, 7.6}, {5.4, 19.0},
                     {8.4, 10.6}, {4.4, 10.6}});
    c.fill(grow(s, 0.95), solid({150, 92, 6}), at);
    c.fill(s, vgrad(1, {255, 234, 92}, 19, {246, 168, 18}), at);
}

// The tool's emblem in a 32x32 box: a measured signal over three linked stations.
void draw_emblem(Canvas& c, Place at, double radius) {
    c.fill(box(0, 0, 32, 32, radius), solid({16, 46, 92}), at);
    c.fill(box(1, 1, 31, 31, std::max(radius - 1, 0.0)), vgrad(1, {58, 124, 204}, 31, {24, 72, 142}), at);
    // network line and stations
    const Rgb net{214, 232, 250};
    c.fill(stroke({{7, 24.5}, {25, 24.5}}, 1.6), solid(net), at);
    for (double x : {7.0, 16.0, 25.0}) {
        c.fill(circle(x, 24.5, 3.1), solid(net), at);
        c.fill(circle(x, 24.5, 1.5), solid({34, 88, 160}), at);
    }
    // signal trace
    c.fill(stroke({{4, 13}, {9.5, 13}, {12.5, 6}, {16.5, 19}, {19.5, 10}, {22, 13}, {28, 13}}, 2.3),
           solid({255, 214, 72}), at);
}

// Up or down scroll arrow in a 32x32 box.
void draw_scroll_arrow(Canvas& c, bool up, Rgb top, Rgb bottom, Rgb edge) {
    auto Y = [up](double y) { return up ? y : 32 - y; };
    Sdf s = grow(polygon({{16, Y(10.2)}, {25, Y(21)}, {7, Y(21)}}), 1.6);
    c.fill(grow(s, 1.0), solid(edge));
    c.fill(s, vgrad(Y(8.6), top, Y(22.6), bottom));
}

// Round bullet in a 24x24 box.
void draw_bullet(Canvas& c, Rgb light, Rgb dark, Rgb edge) {
    c.fill(circle(12, 12, 8.3), solid(edge));
    c.fill(circle(12, 12, 7.3), radial(10, 9, 10.5, light, dark));
    c.fill(ellipse(10.4, 8.6, 3.8, 2.4), solid(White, 0.45));
}

// ----------------------------------------------------------------------------- images

struct Fonts {
    TTF_Font* regular12;
    TTF_Font* regular11;
    TTF_Font* bold12;
    TTF_Font* bold22;
};

void make_icon() {
    Canvas c(32, 32);
    draw_emblem(c, {}, 0);
    save("icon.bmp", 32, 32, c.flatten(BarGrey, BarGrey, false));
}

void make_toolbar() {
    {
        Canvas c(40, 40);  // transparent; white is the key
        draw_refresh(c, {});
        save("rescan.bmp", 40, 40, c.flatten(BarGrey, White, true));
    }
    {
        Canvas c(40, 40);
        c.clear(BarGrey);
        draw_tile(c);
        draw_refresh(c, {});
        save("rescanhigh.bmp", 40, 40, c.flatten(BarGrey, BarGrey, false));
    }
    {
        Canvas c(40, 40);
        c.clear(BarGrey);
        draw_left_arrow(c, {});
        save("left.bmp", 40, 40, c.flatten(BarGrey, BarGrey, false));
    }
    {
        Canvas c(40, 40);
        c.clear(BarGrey);
        draw_tile(c);
        draw_left_arrow(c, {});
        save("lefthigh.bmp", 40, 40, c.flatten(BarGrey, BarGrey, false));
    }
}

// The program writes "Ok" at (10,5) in the button, so the face carries only a check mark
// to the right of where that text lands. The corners fade into the dialog grey.
void make_apply_button(const char* name, Rgb edge, Rgb top, Rgb bottom, Rgb tick) {
    Canvas c(50, 25);
    c.fill(box(0, 0, 50, 25, 2.5), solid(edge));
    c.fill(box(1, 1, 49, 24, 1.6), vgrad(1, top, 24, bottom));
    c.fill(stroke({{34.6, 12.6}, {38.0, 16.2}, {43.8, 8.6}}, 2.4), solid(tick));
    save(name, 50, 25, c.flatten(BarGrey, BarGrey, true));
}

void make_apply() {
    make_apply_button("apply.bmp", {112, 124, 138}, {252, 252, 252}, {226, 230, 235}, {46, 150, 64});
    make_apply_button("applyhigh.bmp", {52, 110, 182}, {240, 247, 254}, {196, 220, 246}, {34, 140, 52});
    make_apply_button("applydisable.bmp", {172, 176, 181}, {238, 239, 240}, {228, 230, 232}, {178, 183, 188});
}

void make_column_icons() {
    {
        Canvas c(20, 20);
        c.clear(TitleBlue);
        draw_address_edit(c, {});
        save("address_book_edit.bmp", 20, 20, c.flatten(TitleBlue, TitleBlue, false));
    }
    {
        Canvas c(20, 20);
        c.clear(TitleBlue);
        draw_flash(c, {});
        save("flash_yellow.bmp", 20, 20, c.flatten(TitleBlue, TitleBlue, false));
    }
}

void make_bullets() {
    // White is the key; edges are blended toward the selected row they sit on.
    {
        Canvas c(24, 24);
        draw_bullet(c, {128, 190, 250}, {30, 98, 196}, {20, 66, 140});
        save("bullet_blue.bmp", 24, 24, c.flatten(RowGreen, White, true));
    }
    {
        Canvas c(24, 24);
        draw_bullet(c, {196, 206, 220}, {112, 128, 150}, {78, 90, 108});
        save("bullet_gray.bmp", 24, 24, c.flatten(RowGreen, White, true));
    }
}

void make_scroll_arrows() {
    const Rgb greyTop{164, 169, 176}, greyBottom{124, 130, 139}, greyEdge{98, 104, 112};
    const struct {
        const char* name;
        bool up, high;
    } list[] = {{"navigate_up.bmp", true, false},
                {"navigate_up_high.bmp", true, true},
                {"navigate_down.bmp", false, false},
                {"navigate_down_high.bmp", false, true}};
    for (const auto& a : list) {
        Canvas c(32, 32);
        c.clear(White);
        if (a.high)
            draw_scroll_arrow(c, a.up, BlueLight, BlueDark, BlueEdge);
        else
            draw_scroll_arrow(c, a.up, greyTop, greyBottom, greyEdge);
        save(a.name, 32, 32, c.flatten(White, White, false));
    }
}

std::vector<std::string> wrap(TTF_Font* font, const std::string& text, int width) {
    std::vector<std::string> lines;
    std::string line, word;
    auto fits = [&](const std::string& s) {
        int w = 0, h = 0;
        TTF_SizeUTF8(font, s.c_str(), &w, &h);
        return w <= width;
    };
    size_t i = 0;
    while (i <= text.size()) {
        const size_t sp = std::min(text.find(' ', i), text.size());
        word = text.substr(i, sp - i);
        const std::string tried = line.empty() ? word : line + " " + word;
        if (!line.empty() && !fits(tried)) {
            lines.push_back(line);
            line = word;
        } else {
            line = tried;
        }
        i = sp + 1;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

int text_width(TTF_Font* font, const std::string& s) {
    int w = 0, h = 0;
    TTF_SizeUTF8(font, s.c_str(), &w, &h);
    return w;
}

void make_splash(const Fonts& f) {
    const int W = 388;
    const Rgb ink{38, 44, 52};
    const Rgb accent{30, 84, 150};

    // Lay the text out first: the height follows from it.
    const std::vector<std::string> about =
        wrap(f.regular12,
             "Find the Talvo systems on your network, change their IP address "
             "and update their firmware.",
             W - 40);
    const int skip = TTF_FontLineSkip(f.regular12);
    const int aboutTop = 80;
    const int tiles = aboutTop + static_cast<int>(about.size()) * skip + 18;
    const int rule = tiles + 94;
    const int hintTop = rule + 14;
    const int H = hintTop + skip + 20;

    Canvas c(W, H);
    c.clear({70, 82, 98});  // what is left of it is the 1-px border

    // body and header band
    c.fill(box(1, 1, W - 1, H - 1, 0), solid(White));
    c.fill(box(1, 1, W - 1, 62, 0), vgrad(1, {44, 96, 166}, 62, {24, 62, 118}));
    c.fill(box(1, 61, W - 1, 62, 0), solid({18, 48, 94}));

    draw_emblem(c, {14, 13, 36.0 / 32}, 5);
    c.text(f.bold22, "Talvo Perabo", 62, 10, {255, 255, 255});
    c.text(f.regular11, "Network setup and firmware loader", 63, 38, {196, 218, 244});

    // close box: the program reacts to x 365..385, y 2..21 of this image
    c.fill(box(366, 3, 385, 21, 3), solid({16, 42, 84}));
    c.fill(box(367, 4, 384, 20, 2.2), vgrad(4, {246, 248, 251}, 20, {212, 220, 230}));
    c.fill(stroke({{371.5, 8.0}, {379.5, 16.0}}, 2.0), solid({52, 62, 76}));
    c.fill(stroke({{379.5, 8.0}, {371.5, 16.0}}, 2.0), solid({52, 62, 76}));

    // what the tool is for
    int y = aboutTop;
    for (const std::string& line : about) {
        c.text(f.regular12, line, 20, y, ink);
        y += skip;
    }

    // the three things it does
    const char* labels[] = {"Find systems", "Set IP address", "Update firmware"};
    for (int k = 0; k < 3; ++k) {
        const double cx = W * (2 * k + 1) / 6.0;
        c.fill(box(cx - 26, tiles, cx + 26, tiles + 52, 9), solid({186, 206, 232}));
        c.fill(box(cx - 25, tiles + 1, cx + 25, tiles + 51, 8),
               vgrad(tiles, {244, 248, 253}, tiles + 52, {220, 232, 247}));
        const double s = (k == 0) ? 0.9 : 1.6;
        const double size = (k == 0 ? 40 : 20) * s;
        const Place at{cx - size / 2, tiles + 26 - size / 2, s};
        if (k == 0) draw_refresh(c, at);
        if (k == 1) draw_address_edit(c, at);
        if (k == 2) draw_flash(c, at);
        const int x = static_cast<int>(std::lround(cx - text_width(f.regular11, labels[k]) / 2.0));
        c.text(f.regular11, labels[k], x, tiles + 60, ink);
    }

    // where to go next
    c.fill(box(20, rule, W - 20, rule + 1, 0), solid({214, 220, 228}));
    const std::string hint = "Choose a network interface below.";
    const int hx = (W - text_width(f.bold12, hint) + 18) / 2;
    c.fill(grow(polygon({{0, 0}, {10, 0}, {5, 6}}), 0.6), solid(accent), {hx - 18.0, hintTop + 5.0, 1});
    c.text(f.bold12, hint, hx, hintTop, accent);

    if (H < 260 || H > 300) {
        std::fprintf(stderr, "make_art: the splash came out %d high\n", H);
        ++Failures;
    }
    save("splash.bmp", W, H, c.flatten(White, White, false));
}

TTF_Font* open_font(const std::string& dir, const char* file, int size) {
    const std::string path = dir + "/" + file;
    TTF_Font* font = TTF_OpenFont(path.c_str(), size);
    if (!font) {
        std::fprintf(stderr, "make_art: cannot open %s: %s\n", path.c_str(), TTF_GetError());
        std::exit(1);
    }
    return font;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_art OUTPUT_DIR [FONT_DIR]\n");
        return 2;
    }
    OutDir = argv[1];
    const std::string fontDir = argc == 3 ? argv[2] : "/usr/share/fonts/truetype/dejavu";

    if (SDL_Init(0) != 0 || TTF_Init() != 0) {
        std::fprintf(stderr, "make_art: cannot start SDL: %s\n", SDL_GetError());
        return 1;
    }
    Fonts f{open_font(fontDir, "DejaVuSans.ttf", 12), open_font(fontDir, "DejaVuSans.ttf", 11),
            open_font(fontDir, "DejaVuSans-Bold.ttf", 12), open_font(fontDir, "DejaVuSans-Bold.ttf", 22)};

    make_icon();
    make_toolbar();
    make_apply();
    make_column_icons();
    make_bullets();
    make_scroll_arrows();
    make_splash(f);

    TTF_CloseFont(f.regular12);
    TTF_CloseFont(f.regular11);
    TTF_CloseFont(f.bold12);
    TTF_CloseFont(f.bold22);
    TTF_Quit();
    SDL_Quit();
    return Failures ? 1 : 0;
}
