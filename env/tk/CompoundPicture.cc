#include "env/tk/CompoundPicture.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "env/tk/DisplayString.h"
#include "sim/cGate.h"
#include "sim/cModule.h"
#include "sim/cModuleType.h"

namespace {

constexpr double DEFAULT_BOX = 40;
constexpr double GRID_STEP = 100;
constexpr int GRID_COLUMNS = 6;

// The "p" tag's centre for this module, spread by its vector index along
// the named arrangement; modules without one go on a grid in order.
void place(DrawnModule& m, const cModule& mod, const DisplayString& ds, int order)
{
    if (!ds.has("p")) {
        m.x = GRID_STEP * (0.6 + order % GRID_COLUMNS);
        m.y = GRID_STEP * (0.6 + order / GRID_COLUMNS);
        return;
    }
    m.x = ds.number("p", 0, 50);
    m.y = ds.number("p", 1, 50);
    int i = std::max(mod.index(), 0);
    std::string arrangement = ds.arg("p", 2);
    double dx = ds.number("p", 3, 2 * DEFAULT_BOX);
    if (arrangement == "row" || arrangement == "r") {
        m.x += i * dx;
    } else if (arrangement == "col" || arrangement == "c" || arrangement == "column") {
        m.y += i * dx;
    } else if (arrangement == "matrix" || arrangement == "m") {
        int perRow = std::max(1, static_cast<int>(ds.number("p", 3, 5)));
        double step = ds.number("p", 4, 2 * DEFAULT_BOX);
        m.x += (i % perRow) * step;
        m.y += (i / perRow) * ds.number("p", 5, step);
    } else if (arrangement == "ring" || arrangement == "ri") {
        double radius = dx;
        double angle = 2 * M_PI * i / std::max(1, mod.size());
        m.x += radius * std::cos(angle);
        m.y += radius * std::sin(angle);
    }
}

DrawnModule drawn(const cModule& mod, int order)
{
    DisplayString ds(mod.displayString());
    DrawnModule m{mod.id(),
                  mod.fullName(),
                  mod.moduleType() ? mod.moduleType()->name() : mod.className(),
                  ds.arg("i", 0),
                  0,
                  0,
                  ds.number("b", 0, DEFAULT_BOX),
                  ds.number("b", 1, DEFAULT_BOX)};
    place(m, mod, ds, order);
    return m;
}

// Where the line from the box's centre towards (tx, ty) leaves the box.
void anchor(const DrawnModule& box, double tx, double ty, double& x, double& y)
{
    double dx = tx - box.x, dy = ty - box.y;
    double sx = dx != 0 ? (box.w / 2) / std::fabs(dx) : INFINITY;
    double sy = dy != 0 ? (box.h / 2) / std::fabs(dy) : INFINITY;
    double s = std::min({sx, sy, 1.0});
    x = box.x + dx * s;
    y = box.y + dy * s;
}

} // namespace

CompoundPicture draw_compound(const cModule& compound)
{
    DisplayString bg(compound.backgroundDisplayString());
    CompoundPicture pic;
    pic.background = bg.arg("o", 0, "#e0e0e0");
    std::map<const cModule*, size_t> boxOf;
    double right = 0, bottom = 0;
    for (const cModule* sub : compound.submodules()) {
        boxOf[sub] = pic.modules.size();
        pic.modules.push_back(drawn(*sub, static_cast<int>(pic.modules.size())));
        const DrawnModule& m = pic.modules.back();
        right = std::max(right, m.x + m.w / 2);
        bottom = std::max(bottom, m.y + m.h / 2);
    }
    pic.width = bg.number("b", 0, right + DEFAULT_BOX);
    pic.height = bg.number("b", 1, bottom + DEFAULT_BOX);

    // Every link that starts inside this compound: a submodule's output, or
    // one of the compound's own inputs leading inwards.
    std::vector<cGate*> starts;
    for (const cModule* sub : compound.submodules())
        for (cGate* g : sub->allGates())
            if (g->isOutput())
                starts.push_back(g);
    for (cGate* g : compound.allGates())
        if (g->isInput())
            starts.push_back(g);

    int borderSlot = 0;
    for (cGate* from : starts) {
        cGate* to = from->toGate();
        if (!to)
            continue;
        const cModule* a = from->ownerModule();
        const cModule* b = to->ownerModule();
        bool aInside = a != &compound, bInside = b != &compound;
        if ((aInside && boxOf.count(a) == 0) || (bInside && boxOf.count(b) == 0))
            continue;
        DrawnConnection c{aInside ? a->id() : -1,
                          bInside ? b->id() : -1,
                          from->fullName(),
                          DisplayString(from->displayString()).arg("o", 0, "#000000"),
                          0,
                          0,
                          0,
                          0};
        double borderY = 20 + 15 * (borderSlot % 30);
        if (!aInside || !bInside)
            ++borderSlot;
        double ax = aInside ? pic.modules[boxOf[a]].x : 0, ay = aInside ? pic.modules[boxOf[a]].y : borderY;
        double bx = bInside ? pic.modules[boxOf[b]].x : pic.width, by = bInside ? pic.modules[boxOf[b]].y : borderY;
        c.x1 = ax, c.y1 = ay, c.x2 = bx, c.y2 = by;
        if (aInside)
            anchor(pic.modules[boxOf[a]], bx, by, c.x1, c.y1);
        if (bInside)
            anchor(pic.modules[boxOf[b]], ax, ay, c.x2, c.y2);
        pic.connections.push_back(c);
    }
    return pic;
}
