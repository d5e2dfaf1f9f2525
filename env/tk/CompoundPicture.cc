#include "env/tk/CompoundPicture.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>

#include "env/tk/DisplayString.h"
#include "sim/cGate.h"
#include "sim/cModule.h"
#include "sim/cModuleType.h"
#include "sim/cSimulation.h"

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

constexpr double GATE_SPACING = 16;
constexpr double CLEARANCE = 4; // around an icon, for a line to pass it

std::string connection_key(const cGate& from)
{
    return "k" + std::to_string(from.ownerModule()->id()) + "_" + std::to_string(from.id());
}

// Whether the segment from (x1, y1) to (x2, y2) runs through the box,
// widened by CLEARANCE (Liang-Barsky clipping).
bool crosses(const DrawnModule& box, double x1, double y1, double x2, double y2)
{
    double lo[2] = {box.x - box.w / 2 - CLEARANCE, box.y - box.h / 2 - CLEARANCE};
    double hi[2] = {box.x + box.w / 2 + CLEARANCE, box.y + box.h / 2 + CLEARANCE};
    double from[2] = {x1, y1}, delta[2] = {x2 - x1, y2 - y1};
    double t0 = 0, t1 = 1;
    for (int k = 0; k < 2; ++k) {
        if (delta[k] == 0) {
            if (from[k] < lo[k] || from[k] > hi[k])
                return false;
            continue;
        }
        double a = (lo[k] - from[k]) / delta[k], b = (hi[k] - from[k]) / delta[k];
        t0 = std::max(t0, std::min(a, b));
        t1 = std::min(t1, std::max(a, b));
        if (t0 > t1)
            return false;
    }
    return true;
}

// Whether a line along `points` keeps clear of every box but its own ends'.
bool clear_of_others(const std::vector<DrawnModule>& boxes, const std::vector<std::pair<double, double>>& points,
                     int endA, int endB)
{
    for (const DrawnModule& box : boxes) {
        if (box.id == endA || box.id == endB)
            continue;
        for (size_t i = 0; i + 1 < points.size(); ++i)
            if (crosses(box, points[i].first, points[i].second, points[i + 1].first, points[i + 1].second))
                return false;
    }
    return true;
}

// A bend that takes the line between two boxes round the boxes in its way:
// the middle of the straight line moved sideways by growing steps; none
// when the straight line is clear or no bend tried clears it.
void route_round_icons(const std::vector<DrawnModule>& boxes, DrawnConnection& c, const DrawnModule& a,
                       const DrawnModule& b)
{
    if (clear_of_others(boxes, {{a.x, a.y}, {b.x, b.y}}, a.id, b.id))
        return;
    double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    if (len == 0)
        return;
    double nx = -dy / len, ny = dx / len;
    for (double offset : {30.0, -30.0, 60.0, -60.0, 90.0, -90.0, 120.0, -120.0}) {
        std::pair<double, double> bend{(a.x + b.x) / 2 + nx * offset, (a.y + b.y) / 2 + ny * offset};
        if (clear_of_others(boxes, {{a.x, a.y}, bend, {b.x, b.y}}, a.id, b.id)) {
            c.bends = {bend};
            anchor(a, bend.first, bend.second, c.x1, c.y1);
            anchor(b, bend.first, bend.second, c.x2, c.y2);
            return;
        }
    }
}

// The submodule inside `compound` that its gate `g` leads to or comes from.
const cModule* inner_end(const cModule& compound, const cGate& g)
{
    const cGate* other = g.isInput() ? g.toGate() : g.fromGate();
    const cModule* mod = other ? other->ownerModule() : nullptr;
    return mod && mod->parentModule() == &compound ? mod : nullptr;
}

// Each of the compound's gates on the side of the border nearest the
// submodule it serves from which a straight line to it passes no other
// icon, the gates of a side spread apart; an unconnected gate on the left
// (input) or right (output).
std::vector<DrawnGate> place_gates(const cModule& compound, const CompoundPicture& pic,
                                   const std::map<const cModule*, size_t>& boxOf)
{
    std::vector<DrawnGate> gates;
    for (const cGate* g : compound.allGates()) {
        const cModule* inner = inner_end(compound, *g);
        auto box = inner ? boxOf.find(inner) : boxOf.end();
        if (box == boxOf.end()) {
            gates.push_back(
                {g->id(), g->fullName(), g->isInput() ? 0 : pic.width, pic.height / 2, g->isInput() ? 'l' : 'r'});
            continue;
        }
        const DrawnModule& m = pic.modules[box->second];
        struct Candidate {
            double distance, x, y;
            char side;
        } sides[] = {{m.x, 0, m.y, 'l'},
                     {pic.width - m.x, pic.width, m.y, 'r'},
                     {m.y, m.x, 0, 't'},
                     {pic.height - m.y, m.x, pic.height, 'b'}};
        std::sort(std::begin(sides), std::end(sides),
                  [](const Candidate& a, const Candidate& b) { return a.distance < b.distance; });
        const Candidate* chosen = &sides[0];
        for (const Candidate& c : sides)
            if (clear_of_others(pic.modules, {{m.x, m.y}, {c.x, c.y}}, m.id, m.id)) {
                chosen = &c;
                break;
            }
        gates.push_back({g->id(), g->fullName(), chosen->x, chosen->y, chosen->side});
    }
    for (char side : {'l', 'r', 't', 'b'}) {
        bool vertical = side == 'l' || side == 'r';
        std::vector<DrawnGate*> onSide;
        for (DrawnGate& g : gates)
            if (g.side == side)
                onSide.push_back(&g);
        auto along = [vertical](DrawnGate* g) -> double& { return vertical ? g->y : g->x; };
        std::stable_sort(onSide.begin(), onSide.end(), [&](DrawnGate* a, DrawnGate* b) { return along(a) < along(b); });
        // Centred on where they want to be, then pushed apart.
        for (size_t i = 0; i < onSide.size();) {
            size_t j = i + 1;
            while (j < onSide.size() && along(onSide[j]) - along(onSide[j - 1]) < GATE_SPACING)
                ++j;
            double mid = (along(onSide[i]) + along(onSide[j - 1])) / 2;
            for (size_t k = i; k < j; ++k)
                along(onSide[k]) = mid + (static_cast<double>(k - i) - (j - i - 1) / 2.0) * GATE_SPACING;
            i = j;
        }
        for (size_t k = 1; k < onSide.size(); ++k)
            along(onSide[k]) = std::max(along(onSide[k]), along(onSide[k - 1]) + GATE_SPACING);
    }
    return gates;
}

constexpr const char* CONTRAST_COLOUR = "#808080";

bool same_colour(std::string a, std::string b)
{
    for (std::string* t : {&a, &b})
        std::transform(t->begin(), t->end(), t->begin(), [](unsigned char ch) { return std::tolower(ch); });
    return a == b;
}

std::string end_text(const cModule* mod, const cModule& compound)
{
    if (mod == &compound)
        return "border gate";
    return mod->moduleType() ? mod->moduleType()->name() : mod->className();
}

// Per kind of module pair ("FcHost - FcSwitch"), the colour most of its
// cables have (the first met among equals): one colour says what a cable
// joins, so every cable of the pair is drawn in it.
std::map<std::string, std::string>
colour_of_pairs(const std::vector<std::pair<std::string, std::string>>& colourAndEnds)
{
    std::map<std::string, std::vector<std::pair<std::string, int>>> counts; // in the order met
    for (const auto& [colour, ends] : colourAndEnds) {
        auto& seen = counts[ends];
        auto it = std::find_if(seen.begin(), seen.end(), [&](const auto& c) { return c.first == colour; });
        if (it == seen.end())
            seen.push_back({colour, 1});
        else
            ++it->second;
    }
    std::map<std::string, std::string> colourOf;
    for (const auto& [ends, seen] : counts)
        colourOf[ends] = std::max_element(seen.begin(), seen.end(), [](const auto& x, const auto& y) {
                             return x.second < y.second;
                         })->first;
    return colourOf;
}

// Per colour, the kinds of module its cables join.
std::vector<LegendEntry> legend_of(const std::map<std::string, std::string>& colourOfPair)
{
    std::map<std::string, std::set<std::string>> joins;
    for (const auto& [ends, colour] : colourOfPair)
        joins[colour].insert(ends);
    std::vector<LegendEntry> legend;
    for (const auto& [colour, all] : joins) {
        std::string text;
        for (const std::string& ends : all)
            text += (text.empty() ? "" : ", ") + ends;
        legend.push_back({colour, text});
    }
    return legend;
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
    pic.gates = place_gates(compound, pic, boxOf);
    std::map<int, const DrawnGate*> gateById;
    for (const DrawnGate& g : pic.gates)
        gateById[g.id] = &g;

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

    std::vector<std::pair<std::string, std::string>> colourAndEnds; // one per connection drawn
    for (cGate* from : starts) {
        cGate* to = from->toGate();
        if (!to)
            continue;
        const cModule* a = from->ownerModule();
        const cModule* b = to->ownerModule();
        bool aInside = a != &compound, bInside = b != &compound;
        if ((aInside && boxOf.count(a) == 0) || (bInside && boxOf.count(b) == 0))
            continue;
        if (!aInside && !bInside)
            continue; // straight through the compound: nothing inside to draw it between
        std::string colour = DisplayString(from->displayString()).arg("o", 0, "#000000");
        if (same_colour(colour, pic.background))
            colour = CONTRAST_COLOUR; // a cable drawn in the background's colour would not be seen
        DrawnConnection c{aInside ? a->id() : -1, bInside ? b->id() : -1, from->fullName(), colour, 0, 0, 0, 0, {},
                          connection_key(*from)};
        const DrawnGate* gateA = aInside ? nullptr : gateById[from->id()];
        const DrawnGate* gateB = bInside ? nullptr : gateById[to->id()];
        double ax = aInside ? pic.modules[boxOf[a]].x : gateA->x, ay = aInside ? pic.modules[boxOf[a]].y : gateA->y;
        double bx = bInside ? pic.modules[boxOf[b]].x : gateB->x, by = bInside ? pic.modules[boxOf[b]].y : gateB->y;
        c.x1 = ax, c.y1 = ay, c.x2 = bx, c.y2 = by;
        if (aInside)
            anchor(pic.modules[boxOf[a]], bx, by, c.x1, c.y1);
        if (bInside)
            anchor(pic.modules[boxOf[b]], ax, ay, c.x2, c.y2);
        if (aInside && bInside)
            route_round_icons(pic.modules, c, pic.modules[boxOf[a]], pic.modules[boxOf[b]]);
        std::string endA = end_text(a, compound), endB = end_text(b, compound);
        if (!aInside || (bInside && endB < endA))
            std::swap(endA, endB); // a border gate named last
        colourAndEnds.push_back({c.colour, endA + " - " + endB});
        pic.connections.push_back(c);
    }
    const std::map<std::string, std::string> colourOfPair = colour_of_pairs(colourAndEnds);
    for (size_t k = 0; k < pic.connections.size(); ++k)
        pic.connections[k].colour = colourOfPair.at(colourAndEnds[k].second);
    pic.legend = legend_of(colourOfPair);
    return pic;
}

std::vector<PathHop> message_path(int senderId, int senderGateId, int arrivalId, int arrivalGateId)
{
    std::vector<PathHop> path;
    const cModule* sender = simulation.module(senderId);
    const cModule* arrival = simulation.module(arrivalId);
    if (!sender || !arrival || senderGateId < 0 || arrivalGateId < 0)
        return path;
    const cGate* last = arrival->gate(arrivalGateId);
    const cGate* g = sender->gate(senderGateId);
    while (g && g != last && g->toGate()) {
        const cModule* drawnIn = g->isOutput() ? g->ownerModule()->parentModule() : g->ownerModule();
        if (drawnIn)
            path.push_back({drawnIn->id(), connection_key(*g)});
        g = g->toGate();
    }
    if (g != last)
        path.clear(); // not a path of connections (sent directly)
    return path;
}
