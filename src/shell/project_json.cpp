// Project as JSON: the text form of a project image that novamir-project
// prints and builds back, read through a checked parser that names the key of
// every problem and never throws out of here.
#include "shell/project_json.h"

#include <cmath>   // Required for: isfinite
#include <cstdio>  // Required for: snprintf
#include <cstring> // Required for: memcpy, memset, memcmp
#include <new>     // Required for: bad_alloc

#include <nlohmann/json.hpp>

#include "shell/project_layout.h" // Required for: ProjectImage
#include "store/records.h"        // Required for: MAP_FLAG, MAP_INT, MAP_ZERO
#include "store/store.h"          // Required for: CHOICE_LISTS, DBL_PARAMS, FLAG_PARAMS

using json = nlohmann::ordered_json;

// ---------------------------------------------------------------------------
// Names of the store entries: the menu names where an entry has one, else the
// array and index. Choice selections are named after the integer they feed.

static const char* const int_names[INT_PARAMS] = {
    "FRAME SPAN", "START FRAME", "END FRAME", "THIS FRAME", "WIDTH", "HEIGHT",
    "COLOUR ONE", "COLOUR TWO", "FADE TYPE", "STARS ENABLE",
    "PLANET NUMBER", "PLANET X CENTRE", "PLANET Y CENTRE", "COMET X CENTRE", "COMET Y CENTRE",
    "MID COLOUR", "EDGE COLOUR", "BITMAP X CENTRE", "BITMAP Y CENTRE", "LIST FONT",
    "integer 20", "PAGE START FRAME", "PAGE END FRAME", "COMET TYPE", "TRANS FUNCTION",
    "integer 25", "START X", "END X", "START Y", "END Y",
    "BITMAP FADE", "BITMAP TRAVEL TYPE", "COMET FADE", "COMET TRAVEL TYPE",
    "RING NUMBER", "RING WIDTH", "RING HEIGHT", "RING X CENTRE", "RING Y CENTRE", "PLANET LOCK",
};

static const char* const dbl_names[DBL_PARAMS] = {
    "ASPECT RATIO", "BRIGHTNESS", "STAR LONGITUDE", "STAR LATITUDE", "STAR LONG INC",
    "STAR LAT. INC", "PIXELS/DEGREE", "decimal 7", "TWINKLE", "PLANET DIAMETER",
    "OBLATE RATIO", "POLAR ANGLE", "PHASE", "PLANET LATITUDE", "PLANET ROTATION INIT",
    "SHADING", "PLANET BACKLIGHT", "PLANET ROTATION INC", "REF DISTANCE", "COMET DIAMETER",
    "COMET ASPECT RATIO", "ILLUMINATION", "decimal 22", "X SCALE", "Y SCALE",
    "BITMAP DISTANCE", "VERTICAL ANGLE", "decimal 27", "BITMAP TRANSPARENCY", "TRAVEL DISTANCE",
    "TRAVEL ANGLE", "PLANET LIGHTING LIMIT", "BITMAP LIGHTING", "SPECKLE", "TAIL ANGLE",
    "RING TRANSPARENCY", "RING ROTATION INIT", "RING ROTATION INC", "RING LIGHTING LIMIT",
    "RING BACKLIGHT",
};

static const char* const flag_names[FLAG_PARAMS] = {
    "flag 0", "flag 1", "SAVE AS BMP", "SAVE AS TGA", "flag 4", "BITMAP FILE SEARCH",
    "PHASE ADJUST", "PREVIEW RGB", "PREVIEW DEBUG", "STAR CALC", "EDGE ADJUST", "flag 11",
    "X PERSPECTIVE", "PLOT BLACK", "PATH ENABLE", "FILE FILE SEARCH", "PLANET SHADOW",
    "SUBPIXELLATION", "flag 18", "flag 19",
};

static const char* const str_names[STR_PARAMS] = {
    "PROJECT NAME", "BACKDROP", "BITMAP FILE", "BITMAP PATH", "OUTPUT PATH",
    "string 5", "string 6", "string 7",
};

static const char* const choice_names[CHOICE_LISTS] = {
    "FADE TYPE", "STARS ENABLE", "COMET TYPE", "BITMAP FADE", "list 4",
    "TRANS FUNCTION", "BITMAP TRAVEL TYPE", "COMET FADE", "COMET TRAVEL TYPE", "LIST FONT",
};

// Object type names; other codes are written as numbers.
static const char* type_name(int32_t type)
{
    static const char* const names[6] = {"", "SKY", "PLANET", "RING", "COMET", "BITMAP"};
    if (type == OBJ_FREE)
        return "FREE";
    return (type >= OBJ_SKY && type <= OBJ_BITMAP) ? names[type] : nullptr;
}

// Key of a mapped field: the store entry it holds, then the field itself,
// since one entry can fill two fields (a bitmap's DISTANCE is d2 and d9).
static std::string field_key(const StoreMapRow& m)
{
    const char* entry = m.source == MAP_INT ? int_names[m.param]
                      : m.source == MAP_FLAG ? flag_names[m.param]
                                             : dbl_names[m.param];
    return std::string(entry) + " (" + m.field + std::to_string(m.index) + ")";
}

// Rows of the store map that name a field of this type (fields set to 0 on
// store are not named: they hold no setting).
static std::vector<const StoreMapRow*> mapped_fields(int32_t type)
{
    std::vector<const StoreMapRow*> rows;
    for (int r = 0; r < STORE_MAP_ROWS; r++)
        if (store_map[r].type == type && store_map[r].source != MAP_ZERO)
            rows.push_back(&store_map[r]);
    return rows;
}

static bool is_mapped(int32_t type, char field, int index)
{
    for (const StoreMapRow* m : mapped_fields(type))
        if (m->field == field && m->index == index)
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// Values.

static std::string to_hex(const uint8_t* p, size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; i++) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

static bool from_hex(const std::string& s, std::vector<uint8_t>* out)
{
    if (s.size() % 2)
        return false;
    out->clear();
    for (size_t i = 0; i < s.size(); i += 2) {
        int v = 0;
        for (int k = 0; k < 2; k++) {
            char c = s[i + k];
            int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                  : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
            if (d < 0)
                return false;
            v = v * 16 + d;
        }
        out->push_back((uint8_t)v);
    }
    return true;
}

// A finite double as a JSON number (the shortest text that reads back to the
// same bits); infinities and NaNs, which JSON has no numbers for, as the
// text "0x" and their 16 hex digits.
static json double_value(double v)
{
    if (std::isfinite(v))
        return v;
    uint64_t bits;
    memcpy(&bits, &v, 8);
    char text[24];
    snprintf(text, sizeof text, "0x%016llx", (unsigned long long)bits);
    return text;
}

// The visible text of a fixed field: bytes up to the first NUL, with any byte
// outside printable ASCII shown as '?'.
static std::string field_text(const char* field, size_t size)
{
    std::string s;
    for (size_t i = 0; i < size && field[i]; i++) {
        unsigned char c = (unsigned char)field[i];
        s += (c >= 32 && c < 127) ? (char)c : '?';
    }
    return s;
}

// A fixed text field: its text, or {"text", "raw"} when the text alone would
// not give the bytes back (bytes after the NUL, no NUL, unprintable bytes).
static json text_value(const char* field, size_t size)
{
    std::string text = field_text(field, size);
    bool exact = text.size() < size && memcmp(field, text.data(), text.size()) == 0;
    for (size_t i = text.size(); exact && i < size; i++)
        if (field[i] != 0)
            exact = false;
    if (exact)
        return text;
    json j;
    j["text"] = text;
    j["raw"] = to_hex((const uint8_t*)field, size);
    return j;
}

// ---------------------------------------------------------------------------
// dump

static json object_json(const ObjectRecord& rec)
{
    json o;
    const char* tn = type_name(rec.type);
    if (tn)
        o["type"] = tn;
    else
        o["type"] = rec.type;
    o["start_frame"] = rec.w[1];
    o["end_frame"] = rec.w[2];
    o["name"] = text_value(rec.name, OBJECT_NAME_LEN);
    json fields = json::object();
    for (const StoreMapRow* m : mapped_fields(rec.type)) {
        if (m->field == 'w')
            fields[field_key(*m)] = rec.w[m->index];
        else
            fields[field_key(*m)] = double_value(rec.d[m->index]);
    }
    o["fields"] = fields;
    o["distance"] = double_value(rec.d[24]);
    // Fields the type does not use, kept when they hold anything at all.
    json other = json::object();
    for (int i = 3; i < 25; i++)
        if (!is_mapped(rec.type, 'w', i) && rec.w[i] != 0)
            other["w" + std::to_string(i)] = rec.w[i];
    for (int i = 0; i < 24; i++) {
        uint64_t bits;
        double v = rec.d[i];
        memcpy(&bits, &v, 8);
        if (!is_mapped(rec.type, 'd', i) && bits != 0)
            other["d" + std::to_string(i)] = double_value(rec.d[i]);
    }
    if (!other.empty())
        o["other"] = other;
    return o;
}

static json project_document(const ProjectImage& p, const std::vector<uint8_t>& trailing)
{
    json j;
    json ints = json::object(), dbls = json::object(), flags = json::object();
    json choices = json::object(), strs = json::object();
    for (int i = 0; i < INT_PARAMS; i++)
        ints[int_names[i]] = p.ints[i];
    for (int i = 0; i < DBL_PARAMS; i++)
        dbls[dbl_names[i]] = double_value(p.dbl[i]);
    for (int i = 0; i < FLAG_PARAMS; i++)
        flags[flag_names[i]] = p.flags[i];
    for (int i = 0; i < CHOICE_LISTS; i++) {
        int32_t c = p.choice_current[i];
        if (c >= 0 && c < choice_list[i].count)
            choices[choice_names[i]] = choice_list[i].labels[c];
        else
            choices[choice_names[i]] = c;
    }
    for (int i = 0; i < STR_PARAMS; i++)
        strs[str_names[i]] = text_value(p.str[i], STR_LEN);
    j["integers"] = ints;
    j["decimals"] = dbls;
    j["flags"] = flags;
    j["choices"] = choices;
    j["strings"] = strs;
    j["current_object"] = p.current_object;
    json objects = json::array();
    for (int k = 0; k < p.object_count; k++)
        objects.push_back(object_json(p.objects[k]));
    j["objects"] = objects;
    if (!trailing.empty())
        j["trailing_bytes"] = to_hex(trailing.data(), trailing.size());
    return j;
}

// ---------------------------------------------------------------------------
// build

// Reading JSON back: every problem names the key it concerns; the first one
// is kept.
struct Reader {
    std::string error;

    bool fail(const std::string& key, const std::string& problem)
    {
        if (error.empty())
            error = key + ": " + problem;
        return false;
    }
};

static bool need_object(Reader& r, const json& j, const std::string& key)
{
    return j.is_object() || r.fail(key, "expected an object");
}

// Refuses members of j other than the allowed ones.
static bool only_keys(Reader& r, const json& j, const std::string& key, const std::vector<std::string>& allowed)
{
    for (auto it = j.begin(); it != j.end(); ++it) {
        bool known = false;
        for (const std::string& a : allowed)
            known = known || a == it.key();
        if (!known)
            return r.fail(key.empty() ? it.key() : key + "/" + it.key(), "unknown key");
    }
    return true;
}

static const json* member(Reader& r, const json& j, const std::string& parent, const std::string& name)
{
    auto it = j.find(name);
    if (it == j.end()) {
        r.fail(parent.empty() ? name : parent + "/" + name, "missing");
        return nullptr;
    }
    return &*it;
}

static bool get_int(Reader& r, const json& v, const std::string& key, int32_t* out)
{
    if (v.is_number_integer()) {
        int64_t x = v.is_number_unsigned() ? (int64_t)std::min<uint64_t>(v.get<uint64_t>(), (uint64_t)INT64_MAX)
                                           : v.get<int64_t>();
        if (x >= INT32_MIN && x <= INT32_MAX) {
            *out = (int32_t)x;
            return true;
        }
        return r.fail(key, "whole number outside -2147483648..2147483647");
    }
    return r.fail(key, "expected a whole number");
}

static bool get_double(Reader& r, const json& v, const std::string& key, double* out)
{
    if (v.is_number()) {
        double x = v.get<double>();
        if (!std::isfinite(x))
            return r.fail(key, "number out of range");
        *out = x;
        return true;
    }
    if (v.is_string()) {
        // Infinities and NaNs are written as "0x" and 16 hex digits.
        std::string s = v.get<std::string>();
        std::vector<uint8_t> b;
        if (s.size() == 18 && s[0] == '0' && s[1] == 'x' && from_hex(s.substr(2), &b)) {
            uint64_t bits = 0;
            for (uint8_t x : b)
                bits = bits << 8 | x;
            memcpy(out, &bits, 8);
            return true;
        }
    }
    return r.fail(key, "expected a number");
}

// The record's doubles sit on 4-byte boundaries (the file layout), so they are
// set by value, never through a double pointer.
static bool get_double_field(Reader& r, const json& v, const std::string& key, ObjectRecord* rec, int index)
{
    double x;
    if (!get_double(r, v, key, &x))
        return false;
    rec->d[index] = x;
    return true;
}

// A fixed text field from "text" or {"text", "raw"}.
static bool get_text(Reader& r, const json& v, const std::string& key, char* field, size_t size)
{
    if (v.is_string()) {
        std::string s = v.get<std::string>();
        if (s.size() >= size)
            return r.fail(key, "text longer than " + std::to_string(size - 1) + " bytes");
        if (s.find('\0') != std::string::npos)
            return r.fail(key, "text holds a NUL");
        memset(field, 0, size);
        memcpy(field, s.data(), s.size());
        return true;
    }
    if (!v.is_object())
        return r.fail(key, "expected a text or an object with \"text\" and \"raw\"");
    if (!only_keys(r, v, key, {"text", "raw"}))
        return false;
    const json* text = member(r, v, key, "text");
    const json* raw = member(r, v, key, "raw");
    if (!text || !raw)
        return false;
    if (!text->is_string())
        return r.fail(key + "/text", "expected a text");
    std::vector<uint8_t> bytes;
    if (!raw->is_string() || !from_hex(raw->get<std::string>(), &bytes) || bytes.size() != size)
        return r.fail(key + "/raw", "expected " + std::to_string(2 * size) + " hex digits");
    if (field_text((const char*)bytes.data(), size) != text->get<std::string>())
        return r.fail(key, "\"text\" does not match \"raw\" (remove \"raw\" to use the text)");
    memcpy(field, bytes.data(), size);
    return true;
}

static bool read_object(Reader& r, const json& o, const std::string& key, ObjectRecord* rec)
{
    if (!need_object(r, o, key))
        return false;
    if (!only_keys(r, o, key, {"type", "start_frame", "end_frame", "name", "fields", "distance", "other"}))
        return false;
    memset(rec, 0, sizeof *rec);
    const json* t = member(r, o, key, "type");
    if (!t)
        return false;
    if (t->is_string()) {
        std::string s = t->get<std::string>();
        bool found = false;
        for (int32_t c = -1; c <= OBJ_BITMAP && !found; c++) {
            const char* tn = type_name(c);
            if (tn && tn[0] && s == tn) {
                rec->type = c;
                found = true;
            }
        }
        if (!found)
            return r.fail(key + "/type", "unknown type \"" + s + "\" (SKY, PLANET, RING, COMET, BITMAP, FREE)");
    } else if (!get_int(r, *t, key + "/type", &rec->type)) {
        return false;
    }
    const json *start = member(r, o, key, "start_frame"), *end = member(r, o, key, "end_frame");
    const json *name = member(r, o, key, "name"), *fields = member(r, o, key, "fields");
    const json* distance = member(r, o, key, "distance");
    if (!start || !end || !name || !fields || !distance)
        return false;
    if (!get_int(r, *start, key + "/start_frame", &rec->w[1]) || !get_int(r, *end, key + "/end_frame", &rec->w[2]) ||
        !get_text(r, *name, key + "/name", rec->name, OBJECT_NAME_LEN) ||
        !get_double_field(r, *distance, key + "/distance", rec, 24))
        return false;

    std::string fkey = key + "/fields";
    if (!need_object(r, *fields, fkey))
        return false;
    std::vector<std::string> names;
    for (const StoreMapRow* m : mapped_fields(rec->type))
        names.push_back(field_key(*m));
    if (!only_keys(r, *fields, fkey, names))
        return false;
    for (const StoreMapRow* m : mapped_fields(rec->type)) {
        const json* v = member(r, *fields, fkey, field_key(*m));
        if (!v)
            return false;
        std::string k = fkey + "/" + field_key(*m);
        bool ok = m->field == 'w' ? get_int(r, *v, k, &rec->w[m->index]) : get_double_field(r, *v, k, rec, m->index);
        if (!ok)
            return false;
    }

    auto other = o.find("other");
    if (other != o.end()) {
        std::string okey = key + "/other";
        if (!need_object(r, *other, okey))
            return false;
        for (auto it = other->begin(); it != other->end(); ++it) {
            const std::string& f = it.key();
            std::string k = okey + "/" + f;
            char kind = f.empty() ? 0 : f[0];
            int index = -1;
            if (f.size() >= 2 && f.size() <= 3 && f.find_first_not_of("0123456789", 1) == std::string::npos)
                index = std::stoi(f.substr(1));
            bool valid = (kind == 'w' && index >= 3 && index < 25) || (kind == 'd' && index >= 0 && index < 24);
            if (!valid)
                return r.fail(k, "unknown key (other fields are w3..w24 and d0..d23)");
            if (is_mapped(rec->type, kind, index))
                return r.fail(k, "this field belongs in \"fields\"");
            bool ok = kind == 'w' ? get_int(r, it.value(), k, &rec->w[index])
                                  : get_double_field(r, it.value(), k, rec, index);
            if (!ok)
                return false;
        }
    }
    return true;
}

static bool read_project(Reader& r, const json& j, ProjectImage* p, std::vector<uint8_t>* trailing)
{
    memset(p, 0, sizeof *p);
    if (!j.is_object())
        return r.fail("(top)", "expected an object");
    if (!only_keys(r, j, "", {"integers", "decimals", "flags", "choices", "strings", "current_object", "objects",
                              "trailing_bytes"}))
        return false;
    const json *ints = member(r, j, "", "integers"), *dbls = member(r, j, "", "decimals");
    const json *flags = member(r, j, "", "flags"), *choices = member(r, j, "", "choices");
    const json *strs = member(r, j, "", "strings"), *current = member(r, j, "", "current_object");
    const json* objects = member(r, j, "", "objects");
    if (!ints || !dbls || !flags || !choices || !strs || !current || !objects)
        return false;
    if (!need_object(r, *ints, "integers") || !need_object(r, *dbls, "decimals") ||
        !need_object(r, *flags, "flags") || !need_object(r, *choices, "choices") ||
        !need_object(r, *strs, "strings"))
        return false;

    auto names = [](const char* const* table, int n) { return std::vector<std::string>(table, table + n); };
    if (!only_keys(r, *ints, "integers", names(int_names, INT_PARAMS)) ||
        !only_keys(r, *dbls, "decimals", names(dbl_names, DBL_PARAMS)) ||
        !only_keys(r, *flags, "flags", names(flag_names, FLAG_PARAMS)) ||
        !only_keys(r, *choices, "choices", names(choice_names, CHOICE_LISTS)) ||
        !only_keys(r, *strs, "strings", names(str_names, STR_PARAMS)))
        return false;

    for (int i = 0; i < INT_PARAMS; i++) {
        const json* v = member(r, *ints, "integers", int_names[i]);
        if (!v || !get_int(r, *v, std::string("integers/") + int_names[i], &p->ints[i]))
            return false;
    }
    for (int i = 0; i < DBL_PARAMS; i++) {
        const json* v = member(r, *dbls, "decimals", dbl_names[i]);
        if (!v || !get_double(r, *v, std::string("decimals/") + dbl_names[i], &p->dbl[i]))
            return false;
    }
    for (int i = 0; i < FLAG_PARAMS; i++) {
        const json* v = member(r, *flags, "flags", flag_names[i]);
        if (!v || !get_int(r, *v, std::string("flags/") + flag_names[i], &p->flags[i]))
            return false;
    }
    for (int i = 0; i < CHOICE_LISTS; i++) {
        const json* v = member(r, *choices, "choices", choice_names[i]);
        std::string k = std::string("choices/") + choice_names[i];
        if (!v)
            return false;
        if (v->is_string()) {
            std::string label = v->get<std::string>();
            int found = -1;
            for (int c = 0; c < choice_list[i].count && found < 0; c++)
                if (label == choice_list[i].labels[c])
                    found = c;
            if (found < 0) {
                std::string labels;
                for (int c = 0; c < choice_list[i].count; c++)
                    labels += std::string(c ? ", " : "") + choice_list[i].labels[c];
                return r.fail(k, "unknown label \"" + label + "\" (" + labels + ")");
            }
            p->choice_current[i] = found;
        } else if (!get_int(r, *v, k, &p->choice_current[i])) {
            return false;
        }
    }
    for (int i = 0; i < STR_PARAMS; i++) {
        const json* v = member(r, *strs, "strings", str_names[i]);
        if (!v || !get_text(r, *v, std::string("strings/") + str_names[i], p->str[i], STR_LEN))
            return false;
    }
    if (!get_int(r, *current, "current_object", &p->current_object))
        return false;
    if (!objects->is_array())
        return r.fail("objects", "expected an array");
    if (objects->size() > (size_t)MAX_OBJECTS)
        return r.fail("objects", std::to_string(objects->size()) + " objects, more than " +
                                     std::to_string(MAX_OBJECTS));
    p->object_count = (int32_t)objects->size();
    for (int k = 0; k < p->object_count; k++)
        if (!read_object(r, (*objects)[k], "objects[" + std::to_string(k) + "]", &p->objects[k]))
            return false;
    auto tail = j.find("trailing_bytes");
    trailing->clear();
    if (tail != j.end() && (!tail->is_string() || !from_hex(tail->get<std::string>(), trailing)))
        return r.fail("trailing_bytes", "expected hex digits");
    return true;
}

// ---------------------------------------------------------------------------
// Parsing: the document is built event by event so that the key being read is
// always known, a number no double can hold and nesting deeper than any
// project are refused by key, and the parser's own errors stay values.

struct PathBuilder {
    struct Level {
        json* container;
        std::string key; // last key of an object
    };
    json* root;
    std::vector<Level> levels;
    std::string error;

    // Path of the value being read: "objects[2]/fields/PHASE (d3)".
    std::string path() const
    {
        std::string p;
        for (size_t i = 0; i < levels.size(); i++) {
            const Level& l = levels[i];
            // An open array's last element is the one being read inside;
            // in the innermost array the next one is.
            size_t n = l.container->size();
            if (l.container->is_array())
                p += "[" + std::to_string(i + 1 < levels.size() ? n - 1 : n) + "]";
            else if (!l.key.empty())
                p += (p.empty() ? "" : "/") + l.key;
        }
        return p.empty() ? "(top)" : p;
    }

    bool fail(const std::string& problem)
    {
        if (error.empty())
            error = path() + ": " + problem;
        return false;
    }

    // Places a value in the open container; returns it, or null on a repeated key.
    json* place(json&& v)
    {
        if (levels.empty()) {
            *root = std::move(v);
            return root;
        }
        Level& l = levels.back();
        if (l.container->is_array()) {
            l.container->push_back(std::move(v));
            return &l.container->back();
        }
        if (l.container->contains(l.key)) {
            fail("key given twice");
            return nullptr;
        }
        json& slot = (*l.container)[l.key];
        slot = std::move(v);
        return &slot;
    }
    bool value(json&& v) { return place(std::move(v)) != nullptr; }
    bool open(json&& v)
    {
        if ((int)levels.size() >= PROJECT_JSON_MAX_DEPTH)
            return fail("nested deeper than " + std::to_string(PROJECT_JSON_MAX_DEPTH) + " levels");
        json* c = place(std::move(v));
        if (!c)
            return false;
        levels.push_back(Level{c, std::string()});
        return true;
    }
    bool close()
    {
        levels.pop_back();
        return true;
    }

    bool null() { return value(nullptr); }
    bool boolean(bool b) { return value(b); }
    bool number_integer(json::number_integer_t n) { return value(n); }
    bool number_unsigned(json::number_unsigned_t n) { return value(n); }
    bool number_float(json::number_float_t x, const json::string_t&) { return value(x); }
    bool string(json::string_t& s) { return value(std::move(s)); }
    bool binary(json::binary_t&) { return fail("binary values are not JSON text"); }
    bool start_object(std::size_t) { return open(json::object()); }
    bool key(json::string_t& k)
    {
        levels.back().key = k;
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(std::size_t) { return open(json::array()); }
    bool end_array() { return close(); }
    bool parse_error(std::size_t, const std::string& token, const nlohmann::detail::exception& e)
    {
        if (e.id == 406)
            return fail("number " + token + " does not fit a double");
        // The library's text begins with its own tag in brackets.
        std::string what = e.what();
        size_t tag = what.find("] ");
        return fail("not valid JSON: " + (tag == std::string::npos ? what : what.substr(tag + 2)));
    }
};

std::string project_to_json(const ProjectImage& p, const std::vector<uint8_t>& trailing)
{
    return project_document(p, trailing).dump(2, ' ', false, json::error_handler_t::replace);
}

int project_from_json(const char* text, size_t size, ProjectImage* out, std::vector<uint8_t>* trailing,
                      std::string* error)
{
    error->clear();
    if (size > PROJECT_JSON_MAX_SIZE) {
        *error = "(top): " + std::to_string(size) + " bytes, longer than any project's JSON (" +
                 std::to_string(PROJECT_JSON_MAX_SIZE) + ")";
        return -1;
    }
    // The library signals trouble by exception (memory, a value of the wrong
    // kind); every one ends here as a refusal.
    try {
        json j;
        PathBuilder b;
        b.root = &j;
        const char* end = text + size;
        if (!json::sax_parse(text, end, &b) || !b.error.empty()) {
            *error = b.error.empty() ? "(top): not valid JSON" : b.error;
            return -1;
        }
        Reader r;
        if (!read_project(r, j, out, trailing)) {
            *error = r.error;
            return -1;
        }
        return 0;
    } catch (const std::bad_alloc&) {
        *error = "(top): out of memory";
    } catch (const std::exception& e) {
        *error = std::string("(top): ") + e.what();
    } catch (...) {
        *error = "(top): unreadable";
    }
    return -1;
}
