#!/usr/bin/env python3
"""Writes the Tiled map fixtures of tests/tiled_import_test.cpp into this
folder, and the seeds of the Tiled fuzz target into fuzz/seeds_tiled/ (a
seed holds the map, then each file it names after a line "=== NAME", as
fuzz/import_fuzz_support.h reads them).

Every map is the same small map, written in each encoding: 8 x 6 tiles of
16 x 16 pixels (128 x 96). Its layer "Collision" holds

    cells (0,0), (1,0), (0,1)   group A, on the map's top left edge
                                (gids 5, 6 from the external tileset "walls",
                                5 with the horizontal flip flag)
    cells (4,2), (5,2), (5,3)   group B (gid 3 of the embedded "terrain", with
                                the vertical, diagonal and hexagonal flags)
    cell (7,5)                  group D in the bottom right corner (gid 2, a
                                terrain tile whose "solid" property is false)

and its object layer "Objects" (marked with the bool property collision =
true) holds the rectangle "crate" (96, 40.4, 10 x 29.8,
touching group B), the L-shaped polygon "room" at (8,60) and the polyline
"fence" at (112,8). A layer "Ground" full of gid 1 lies below. "walls" gives
its tiles 0 and 1 the bool property solid = true (tile 3 a string "true"),
"terrain" its tile 2. "no_layer.tmx" names the collision layer "Decor":
only the tiles with solid = true block there (and the objects).

The infinite versions hold the same tiles in four chunks of 4 x 3 tiles at
(-4,-2), (0,-2), (-4,1) and (0,1), and the objects 64 pixels left and 32 up.

Run it from anywhere: python3 tests/data/tiled/make_fixtures.py
"""
import base64
import gzip
import json
import os
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SEEDS = os.path.join(HERE, "..", "..", "..", "fuzz", "seeds_tiled")

W, H, TILE = 8, 6, 16
H_FLIP, V_FLIP, D_FLIP, HEX_ROT = 0x80000000, 0x40000000, 0x20000000, 0x10000000

COLLISION = [0] * (W * H)
for (x, y), gid in {
    (0, 0): 5, (1, 0): 6, (0, 1): 5 | H_FLIP,
    (4, 2): 3, (5, 2): 3 | V_FLIP, (5, 3): 3 | D_FLIP | HEX_ROT,
    (7, 5): 2,
}.items():
    COLLISION[y * W + x] = gid
GROUND = [1] * (W * H)

# (id, name, x, y, width, height, shape, points)
OBJECTS = [
    (1, "crate", 96, 40.4, 10, 29.8, None, None),
    (2, "room", 8, 60, 0, 0, "polygon", [(0, 0), (40, 0), (40, 10), (10, 10), (10, 24), (0, 24)]),
    (3, "fence", 112, 8, 0, 0, "polyline", [(0, 0), (0, 20), (8, 20)]),
]

TERRAIN_TILES = {1: False, 2: True}   # local id: the bool property solid
WALLS_TILES = {0: True, 1: True}


def write(name, text):
    with open(os.path.join(HERE, name), "w", newline="\n") as f:
        f.write(text)


def write_seed(name, text):
    os.makedirs(SEEDS, exist_ok=True)
    with open(os.path.join(SEEDS, name), "w", newline="\n") as f:
        f.write(text)


def packed(gids, compression):
    raw = b"".join(g.to_bytes(4, "little") for g in gids)
    if compression == "zlib":
        raw = zlib.compress(raw)
    elif compression == "gzip":
        raw = gzip.compress(raw, mtime=0)
    return base64.b64encode(raw).decode()


def csv_rows(gids, width):
    rows = [",".join(str(g) for g in gids[i:i + width]) for i in range(0, len(gids), width)]
    return ",\n".join(rows)


def chunks(gids, shift_x=-4, shift_y=-2, cw=4, ch=3):
    """The map's tiles as chunks: (x, y, width, height, gids)."""
    out = []
    for cy in range(0, H, ch):
        for cx in range(0, W, cw):
            part = [gids[(cy + r) * W + cx + c] for r in range(ch) for c in range(cw)]
            out.append((cx + shift_x, cy + shift_y, cw, ch, part))
    return out


# ------------------------------------------------------------------ XML

def xml_props(props):
    if not props:
        return ""
    items = "".join(f'<property name="{n}" type="{t}" value="{v}"/>' for n, t, v in props)
    return f"<properties>{items}</properties>"


def xml_tiles(tiles):
    return "".join(f'  <tile id="{i}">{xml_props([("solid", "bool", str(s).lower())])}</tile>\n'
                   for i, s in sorted(tiles.items()))


def xml_terrain():
    return ('<tileset firstgid="1" name="terrain" tilewidth="16" tileheight="16" tilecount="4" columns="2">\n'
            + ' <image source="terrain.png" width="32" height="32"/>\n' + xml_tiles(TERRAIN_TILES) + '</tileset>\n')


def xml_walls_tileset(firstgid=None):
    first = f' firstgid="{firstgid}"' if firstgid else ""
    return (f'<tileset{first} name="walls" tilewidth="16" tileheight="16" tilecount="4" columns="2">\n'
            + ' <image source="walls.png" width="32" height="32"/>\n' + xml_tiles(WALLS_TILES)
            + '  <tile id="3"><properties><property name="solid" value="true"/></properties></tile>\n'
            + '</tileset>\n')


def xml_data(gids, encoding, width):
    if encoding == "csv":
        return '<data encoding="csv">\n' + csv_rows(gids, width) + "\n</data>"
    if encoding == "xml":
        return "<data>\n" + "".join(f' <tile gid="{g}"/>\n' if g else " <tile/>\n" for g in gids) + "</data>"
    compression = encoding.split("-")[1] if "-" in encoding else None
    attr = f' compression="{compression}"' if compression else ""
    return f'<data encoding="base64"{attr}>\n   {packed(gids, compression)}\n</data>'


def xml_chunked(gids, encoding):
    enc = encoding.split("-")
    attr = ' encoding="csv"' if enc[0] == "csv" else ' encoding="base64"'
    if len(enc) > 1:
        attr += f' compression="{enc[1]}"'
    body = ""
    for x, y, w, h, part in chunks(gids):
        inner = csv_rows(part, w) if enc[0] == "csv" else packed(part, enc[1] if len(enc) > 1 else None)
        body += f'  <chunk x="{x}" y="{y}" width="{w}" height="{h}">\n{inner}\n</chunk>\n'
    return f"<data{attr}>\n{body}</data>"


def xml_objects(dx=0, dy=0, objects=OBJECTS):
    out = ('<objectgroup id="3" name="Objects">\n'
           ' <properties><property name="collision" type="bool" value="true"/></properties>\n')
    for oid, name, x, y, w, h, shape, points in objects:
        size = f' width="{w}" height="{h}"' if shape not in ("polygon", "polyline") else ""
        out += f' <object id="{oid}" name="{name}" x="{x + dx:g}" y="{y + dy:g}"{size}'
        if shape in ("polygon", "polyline"):
            pts = " ".join(f"{px:g},{py:g}" for px, py in points)
            out += f'>\n  <{shape} points="{pts}"/>\n </object>\n'
        elif shape:
            out += f">\n  {shape}\n </object>\n"
        else:
            out += "/>\n"
    return out + "</objectgroup>\n"


def tmx(encoding="csv", infinite=False, walls=None, layer_name="Collision", layer_props=None,
        orientation="orthogonal", collision=COLLISION, objects=OBJECTS, extra_layers=""):
    walls = walls if walls is not None else '<tileset firstgid="5" source="walls.tsx"/>\n'
    head = (f'<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<map version="1.10" tiledversion="1.10.2" orientation="{orientation}" renderorder="right-down" '
            f'width="{W}" height="{H}" tilewidth="{TILE}" tileheight="{TILE}" infinite="{1 if infinite else 0}" '
            f'nextlayerid="4" nextobjectid="4">\n')
    def layer(lid, name, gids, props=None):
        data = xml_chunked(gids, encoding) if infinite else xml_data(gids, encoding, W)
        return (f'<layer id="{lid}" name="{name}" width="{W}" height="{H}">\n{xml_props(props)}'
                f'{data}\n</layer>\n')
    return (head + xml_terrain() + walls + layer(1, "Ground", GROUND) + extra_layers
            + layer(2, layer_name, collision, layer_props)
            + (xml_objects(-64, -32, objects) if infinite else xml_objects(0, 0, objects)) + "</map>\n")


# ------------------------------------------------------------------ JSON

def json_tiles(tiles):
    return [{"id": i, "properties": [{"name": "solid", "type": "bool", "value": s}]} for i, s in sorted(tiles.items())]


def json_terrain():
    return {"firstgid": 1, "name": "terrain", "tilewidth": 16, "tileheight": 16, "tilecount": 4, "columns": 2,
            "image": "terrain.png", "imagewidth": 32, "imageheight": 32, "margin": 0, "spacing": 0,
            "tiles": json_tiles(TERRAIN_TILES)}


def json_walls_tileset(firstgid=None):
    t = {"name": "walls", "tilewidth": 16, "tileheight": 16, "tilecount": 4, "columns": 2,
         "image": "walls.png", "imagewidth": 32, "imageheight": 32, "margin": 0, "spacing": 0,
         "tiles": json_tiles(WALLS_TILES)
         + [{"id": 3, "properties": [{"name": "solid", "type": "string", "value": "true"}]}],
         "type": "tileset", "version": "1.10", "tiledversion": "1.10.2"}
    if firstgid:
        t = {"firstgid": firstgid, **t}
        del t["type"], t["version"], t["tiledversion"]
    return t


def json_objects(dx=0, dy=0, objects=OBJECTS):
    out = []
    for oid, name, x, y, w, h, shape, points in objects:
        o = {"id": oid, "name": name, "type": "", "rotation": 0, "visible": True,
             "x": x + dx, "y": y + dy, "width": w, "height": h}
        if shape in ("polygon", "polyline"):
            o[shape] = [{"x": px, "y": py} for px, py in points]
        elif isinstance(shape, dict):
            o.update(shape)
        out.append(o)
    return {"id": 3, "name": "Objects", "type": "objectgroup", "draworder": "topdown", "opacity": 1,
            "visible": True, "x": 0, "y": 0, "objects": out,
            "properties": [{"name": "collision", "type": "bool", "value": True}]}


def json_layer(lid, name, gids, encoding, infinite, props=None):
    enc = encoding.split("-")
    layer = {"id": lid, "name": name, "type": "tilelayer", "opacity": 1, "visible": True, "x": 0, "y": 0}
    if props:
        layer["properties"] = [{"name": n, "type": t, "value": v in (True, "true") if t == "bool" else v}
                               for n, t, v in props]
    def data(part):
        return part if enc[0] == "csv" else packed(part, enc[1] if len(enc) > 1 else None)
    if enc[0] == "base64":
        layer["encoding"] = "base64"
        if len(enc) > 1:
            layer["compression"] = enc[1]
    if infinite:
        layer.update({"startx": -4, "starty": -2, "width": W, "height": H,
                      "chunks": [{"x": x, "y": y, "width": w, "height": h, "data": data(p)}
                                 for x, y, w, h, p in chunks(gids)]})
    else:
        layer.update({"width": W, "height": H, "data": data(gids)})
    return layer


def tmj(encoding="csv", infinite=False, walls=None, layer_name="Collision", layer_props=None,
        orientation="orthogonal", objects=OBJECTS, extra_layers=()):
    walls = walls if walls is not None else {"firstgid": 5, "source": "walls.tsj"}
    layers = [json_layer(1, "Ground", GROUND, encoding, infinite)] + list(extra_layers)
    layers.append(json_layer(2, layer_name, COLLISION, encoding, infinite, layer_props))
    layers.append(json_objects(-64, -32, objects) if infinite else json_objects(0, 0, objects))
    m = {"type": "map", "version": "1.10", "tiledversion": "1.10.2", "orientation": orientation,
         "renderorder": "right-down", "width": W, "height": H, "tilewidth": TILE, "tileheight": TILE,
         "infinite": infinite, "nextlayerid": 4, "nextobjectid": 4, "compressionlevel": -1,
         "tilesets": [json_terrain(), walls], "layers": layers}
    return json.dumps(m, indent=1) + "\n"


# ------------------------------------------------------------------ the fixtures

def main():
    write("walls.tsx", '<?xml version="1.0" encoding="UTF-8"?>\n' + xml_walls_tileset())
    write("walls.tsj", json.dumps(json_walls_tileset(), indent=1) + "\n")

    # The same map in every encoding. The zlib ones name their collision
    # layer otherwise and mark it with the property instead.
    marked = {"layer_name": "Blockers", "layer_props": [("collision", "bool", "true")]}
    maps = {
        "small_csv.tmx": tmx("csv"),
        "small_base64.tmx": tmx("base64"),
        "small_zlib.tmx": tmx("base64-zlib", **marked),
        "small_gzip.tmx": tmx("base64-gzip"),
        "small_xml.tmx": tmx("xml"),
        "small_csv.tmj": tmj("csv"),
        "small_base64.tmj": tmj("base64"),
        "small_zlib.tmj": tmj("base64-zlib", **marked),
        "small_gzip.tmj": tmj("base64-gzip"),
        "infinite_csv.tmx": tmx("csv", infinite=True),
        "infinite_zlib.tmj": tmj("base64-zlib", infinite=True),
    }
    for name, text in maps.items():
        write(name, text)
    # The fuzz seeds hold the walls tileset in the map (the fuzz target reads
    # no other file).
    for name, text in maps.items():
        if name.endswith(".tmx"):
            seed = text.replace('<tileset firstgid="5" source="walls.tsx"/>\n', xml_walls_tileset(5))
        else:
            m = json.loads(text)
            m["tilesets"][1] = json_walls_tileset(5)
            seed = json.dumps(m, indent=1) + "\n"
        write_seed(name, seed)

    # One map for each refusal.
    refusals = {
        "zstd.tmx": tmx("base64-gzip").replace('compression="gzip"', 'compression="zstd"'),
        "isometric.tmx": tmx(orientation="isometric"),
        "ellipse.tmx": tmx(objects=OBJECTS + [(4, "bush", 30, 40, 12, 12, "<ellipse/>", None)]),
        "rotated.tmj": tmj(objects=OBJECTS[:1] + [(4, "crate", 40, 40, 16, 16, {"rotation": 45}, None)]),
        "diagonal.tmx": tmx(objects=[(5, "ramp", 20, 20, 0, 0, "polygon", [(0, 0), (30, 0), (30, 20)])]),
        "no_layer.tmx": tmx(layer_name="Decor"),
        "two_layers.tmj": tmj(extra_layers=[json_layer(4, "Walls", COLLISION, "csv", False,
                                                       [("collision", "bool", True)])]),
        "malformed.tmx": tmx().replace("</objectgroup>", "</objects>"),
        "malformed.tmj": tmj().replace('"orientation": "orthogonal",', '"orientation": "orthogonal"'),
        "gid_beyond.tmx": tmx(collision=[27 if i == 1 * W + 3 else g for i, g in enumerate(COLLISION)]),
        "wrong_length.tmx": tmx().replace("\n0,0,0,0,0,0,0,2\n</data>", "\n0,0,0,0,0,0,2\n</data>"),
    }
    truncated = tmx("base64")
    start = truncated.index('<data encoding="base64">\n   ', truncated.index('name="Collision"'))
    start += len('<data encoding="base64">\n   ')
    end = truncated.index("\n</data>", start)
    refusals["truncated_base64.tmx"] = truncated[:start] + truncated[start:end][:-3] + truncated[end:]
    zipped = tmx("base64-zlib")
    start = zipped.index('compression="zlib">\n   ', zipped.index('name="Collision"')) + len('compression="zlib">\n   ')
    end = zipped.index("\n</data>", start)
    short = base64.b64encode(base64.b64decode(zipped[start:end])[:-12]).decode()
    refusals["truncated_zlib.tmx"] = zipped[:start] + short + zipped[end:]
    for name, text in refusals.items():
        write(name, text)
        write_seed("refused_" + name, text)


# Seeds for the ways of drawing collision: tile shapes with flips, tiles
# larger than the grid, offsets, classes, templates, infinite maps.
def json_seed(tiles, layers, head="", width=4, height=2):
    return json.dumps({**{"type": "map", "orientation": "orthogonal", "width": width, "height": height,
                          "tilewidth": 4, "tileheight": 4},
                       **json.loads("{" + head + "}"),
                       "tilesets": [{"firstgid": 1, "name": "t", "tilewidth": 4, "tileheight": 4, "tilecount": 8,
                                     "tiles": tiles}],
                       "layers": layers}, indent=1) + "\n"


def shape_seeds():
    L = {"id": 1, "x": 0, "y": 0, "polygon": [{"x": x, "y": y} for x, y in
                                              [(0, 0), (3, 0), (3, 1), (1, 1), (1, 2), (0, 2)]]}
    shaped = [{"id": 0, "objectgroup": {"type": "objectgroup", "objects": [L]}},
              {"id": 1, "imagewidth": 8, "imageheight": 4, "objectgroup": {"type": "objectgroup", "objects": [
                  {"id": 1, "x": 0, "y": 0, "width": 8, "height": 2, "rotation": 90},
                  {"id": 2, "x": 1, "y": 1, "width": 2, "height": 2, "ellipse": True},
                  {"id": 3, "class": "ladder", "x": 0, "y": 0, "width": 4, "height": 4}]}},
              {"id": 2, "type": "Wall", "properties": [{"name": "collides", "type": "bool", "value": True}]}]
    flips = [1, 1 | H_FLIP, 1 | V_FLIP, 1 | D_FLIP, 2 | D_FLIP | H_FLIP, 2 | D_FLIP | V_FLIP, 3, 2 | H_FLIP | V_FLIP]
    write_seed("shapes_flips.tmj", json_seed(shaped, [
        {"type": "group", "name": "g", "offsetx": 2, "layers": [
            {"type": "tilelayer", "name": "deco", "width": 4, "height": 2, "offsety": -1, "data": flips}]},
        {"type": "tilelayer", "name": "Collision", "width": 4, "height": 2, "data": [0, 3, 0, 0, 0, 0, 0, 0]}]))
    write_seed("shapes_classes.tmj", json_seed(shaped, [
        {"type": "tilelayer", "name": "Ground", "width": 4, "height": 2, "data": [0] * 8},
        {"type": "objectgroup", "name": "Things", "objects": [
            {"id": 1, "class": "wall", "x": 0, "y": 0, "width": 4, "height": 2},
            {"id": 2, "type": "spawn", "point": True, "x": 5, "y": 5},
            {"id": 3, "gid": 3, "x": 8, "y": 8, "width": 4, "height": 4},
            {"id": 4, "template": "crate.tj", "x": 4, "y": 4},
            {"id": 5, "template": "crate.tj", "class": "prop", "x": 12, "y": 0},
            {"id": 6, "text": {"text": "hi"}, "x": 0, "y": 0, "width": 8, "height": 4},
            {"id": 7, "x": 0, "y": 0, "polyline": [{"x": 0, "y": 0}, {"x": 5, "y": 5}]}]},
        {"type": "objectgroup", "name": "Collision objects", "objects": [
            {"id": 8, "x": 12, "y": 4, "polygon": [{"x": x, "y": y} for x, y in
                                                   [(0, 0), (4, 0), (4, 4), (2, 4), (2, 2), (0, 2)]]},
            {"id": 9, "x": 4, "y": 0, "polyline": [{"x": 0, "y": 0}, {"x": 0, "y": 4}, {"x": 4, "y": 4}]}]}])
        + "\n=== crate.tj\n" + json.dumps({"type": "template", "object": {
            "name": "crate", "class": "Solid", "width": 2, "height": 2}}) + "\n")
    write_seed("shapes_infinite.tmj", json_seed(shaped, [
        {"type": "tilelayer", "name": "deco", "chunks": [
            {"x": -2, "y": -1, "width": 2, "height": 1, "data": [1, 0]},
            {"x": 0, "y": 0, "width": 2, "height": 1, "data": [0, 2 | H_FLIP]}]}], '"infinite": true'))
    with open(os.path.join(HERE, "shapes.tmx")) as m, open(os.path.join(HERE, "props.tsx")) as t, \
            open(os.path.join(HERE, "crate.tx")) as c:
        write_seed("shapes_files.tmx", m.read() + "=== props.tsx\n" + t.read() + "=== crate.tx\n" + c.read())


if __name__ == "__main__":
    main()
    shape_seeds()
