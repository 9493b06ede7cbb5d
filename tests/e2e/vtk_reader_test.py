#!/usr/bin/env python3
"""The VTK and Tecplot files of a real run opened in the VTK 9 reader.

Runs the built quird (first argument) on the bundled flume with a G 24 list
that holds every letter of the catalogue, repeats included, once per output
(F 48 0, 10, 11, 8, 9), and checks what the readers of VTK make of the files:
the structured grids, their points and cells, one array per G 24 entry under
its name, and the velocities against the G records of `result`.
"""
import os
import subprocess
import sys
import tempfile

try:
    import vtk
except ImportError as error:
    sys.exit("the VTK 9 Python module is missing (%s): 'bash .ci/install' installs python3-vtk9" % error)

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
FLUME = os.path.join(SOURCE, "examples", "flume")

# Every letter of the catalogue, some twice, and two letters without a row,
# as (letter, level, fraction), with the array name each must get.
ENTRIES = [
    ("A", 0, 0, "D90"), ("D", 0, 0, "Depth-averaged_velocity"), ("E", 1, 0, "Residual_epsilon_1"),
    ("F", 0, 0, "Froude_number"), ("H", 2, 0, "Residual_horizontal_velocity_2"), ("I", 0, 0, "Error"),
    ("J", 0, 0, "Error_2"), ("K", 3, 0, "Residual_k_3"), ("L", 0, 0, "Top_sediment_layer_thickness"),
    ("P", 2, 0, "Porosity_2"), ("R", 2, 0, "Residual_pressure_2"), ("V", 0, 0, "Horiz_velocity"),
    ("W", 1, 0, "Residual_vertical_velocity_1"), ("a", 0, 0, "D50"), ("b", 0, 0, "Bed_form_height"),
    ("c", 2, 0, "Sediment_conc_lev_2_size_0"), ("c", 2, 1, "Sediment_conc_lev_2_size_1"),
    ("d", 1, 0, "Eddy-viscosity_1"), ("e", 0, 0, "Epsilon"), ("f", 0, 1, "Bed_sediment_fraction_size_1"),
    ("h", 0, 0, "Roughness/Depth"), ("i", 0, 0, "No_cells_vertical_direction"), ("j", 0, 1, "Error_3"),
    ("k", 2, 0, "Turbulent_k_2"), ("l", 0, 0, "Bed_sediment_thickness"), ("m", 0, 0, "Bed_shear"),
    ("p", 2, 0, "Pressure_2"), ("q", 1, 0, "Water_Quality_1"), ("r", 0, 0, "Roughness"),
    ("s", 0, 0, "Bed_movement"), ("t", 0, 0, "Sediment_thickness"), ("u", 0, 0, "Horiz_velocity_2"),
    ("v", 0, 0, "Water_level"), ("w", 3, 0, "Uz_3"), ("x", 0, 0, "Temperature_gradient"),
    ("y", 0, 0, "Depth"), ("z", 0, 0, "Bed_level"), ("n", 0, 0, "Error_4"), ("p", 2, 0, "Pressure_2_2"),
    ("Z", 0, 0, "Error_5"), ("F", 0, 0, "Froude_number_2"),
]

failures = []


def check(condition, text):
    if not condition:
        failures.append(text)


def run(quird, folder, interpol_val):
    with open(os.path.join(FLUME, "control")) as f:
        control = f.read()
    control = "\n".join(line for line in control.splitlines() if not line.startswith(("F 48", "G 24")))
    g24 = " ".join("%s %d %d" % (letter, level, fraction) for letter, level, fraction, _ in ENTRIES)
    with open(os.path.join(folder, "control"), "w") as f:
        f.write(control + "\nF 48 %d\nG 24 %d %s\n" % (interpol_val, len(ENTRIES), g24))
    status = subprocess.run([quird], cwd=folder, stdout=subprocess.DEVNULL).returncode
    check(status == 1, "F 48 %d: quird ended with %d" % (interpol_val, status))


def read_result(folder):
    """Sizes and the G records (i, j, k) -> (u, v, w, k, eps, visc, f1, f2, f3, p) of `result`."""
    records, sizes = {}, None
    with open(os.path.join(folder, "result")) as f:
        for line in f:
            words = line.split()
            if words and words[0] == "C":
                sizes = tuple(int(w) for w in words[1:4])
            elif words and words[0] == "G":
                records[tuple(int(w) for w in words[1:4])] = [float(w) for w in words[4:]]
    return sizes, records


class Errors:
    """Counts the errors and warnings that a VTK object reports."""

    def __init__(self, obj):
        self.texts = []
        for event in ("ErrorEvent", "WarningEvent"):
            obj.AddObserver(event, lambda caller, name: self.texts.append(name))


def read_vtk(path):
    reader = vtk.vtkStructuredGridReader()
    reader.SetFileName(path)
    reader.ReadAllScalarsOn()
    reader.ReadAllVectorsOn()
    errors = Errors(reader)
    reader.Update()
    check(not errors.texts, "%s: the reader reported %s" % (path, errors.texts))
    return reader.GetOutput()


def close(a, b, rel=1e-5, abs_=1e-6):
    return abs(a - b) <= abs_ + rel * abs(b)


def check_vtk(path, dims, cells, velocity_of, cell_of, records):
    grid = read_vtk(path)
    name = os.path.basename(path)
    check(grid.GetDimensions() == dims, "%s: dimensions %s, not %s" % (name, grid.GetDimensions(), dims))
    points = dims[0] * dims[1] * dims[2]
    check(grid.GetNumberOfPoints() == points, "%s: %d points, not %d" % (name, grid.GetNumberOfPoints(), points))
    check(grid.GetNumberOfCells() == cells, "%s: %d cells, not %d" % (name, grid.GetNumberOfCells(), cells))
    data = grid.GetPointData()
    names = [data.GetArrayName(n) for n in range(data.GetNumberOfArrays())]
    expected = [e[3] for e in ENTRIES] + ["Velocities"]
    check(names == expected, "%s: arrays %s, not %s" % (name, names, expected))
    for n in range(data.GetNumberOfArrays()):
        array = data.GetArray(n)
        check(array.GetNumberOfTuples() == points, "%s: array %s has %d values" % (name, names[n],
                                                                               array.GetNumberOfTuples()))
    velocities = data.GetArray("Velocities")
    if velocities is None:
        return
    X, Y = dims[0] - 1, dims[1] - 1
    wrong = 0
    for p in range(points):
        i, j, layer = p % (X + 1) + 1, (p // (X + 1)) % (Y + 1) + 1, p // ((X + 1) * (Y + 1)) + 1
        want = records[velocity_of(i, j, layer)][0:3]
        got = velocities.GetTuple3(p)
        if not all(close(g, w) for g, w in zip(got, want)):
            wrong += 1
            if wrong <= 3:
                failures.append("%s: velocity of point (%d, %d, %d) %s, result %s" % (name, i, j, layer, got, want))
    # Scalars of cell fields in the order of the points: pressure and k.
    for array_name, column in (("Pressure_2", 9), ("Turbulent_k_2", 3)):
        array = data.GetArray(array_name)
        if array is None:
            continue
        for p in range(points):
            i, j, layer = p % (X + 1) + 1, (p // (X + 1)) % (Y + 1) + 1, p // ((X + 1) * (Y + 1)) + 1
            want = records[cell_of(i, j, layer)][column]
            if not close(array.GetValue(p), want):
                failures.append("%s: %s at point (%d, %d, %d) %g, result %g" % (name, array_name, i, j, layer,
                                                                               array.GetValue(p), want))
                break


def check_tecplot(path, dims):
    reader = vtk.vtkTecplotReader()
    reader.SetFileName(path)
    errors = Errors(reader)
    reader.Update()
    name = os.path.basename(path)
    check(not errors.texts, "%s: the reader reported %s" % (name, errors.texts))
    blocks = reader.GetOutput()
    check(blocks.GetNumberOfBlocks() == 1, "%s: %d blocks" % (name, blocks.GetNumberOfBlocks()))
    block = blocks.GetBlock(0)
    check(isinstance(block, vtk.vtkStructuredGrid), "%s: block is %s" % (name, type(block).__name__))
    if isinstance(block, vtk.vtkStructuredGrid):
        check(block.GetDimensions() == dims, "%s: dimensions %s, not %s" % (name, block.GetDimensions(), dims))


def main():
    quird = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="quird_vtk_") as folder:
        with open(os.path.join(FLUME, "koordina")) as src, open(os.path.join(folder, "koordina"), "w") as dst:
            dst.write(src.read())
        for interpol_val in (0, 10, 11, 8, 9):
            run(quird, folder, interpol_val)
        (X, Y, Z), records = read_result(folder)
        check(len(records) == (X + 1) * (Y + 1) * (Z + 2), "result holds %d records" % len(records))
        # The top layer of the 3-D file carries the top cell (free surface).
        top = lambda i, j, k: (i, j, min(k, Z))
        check_vtk(os.path.join(folder, "ParaView3.vtk"), (X + 1, Y + 1, Z + 1), X * Y * Z, top, top, records)
        # The 2-D file: velocities of the bed cell k = 2 and of the top cell,
        # cell values of k = 1 and of the top cell.
        check_vtk(os.path.join(folder, "ParaView2.vtk"), (X + 1, Y + 1, 2), X * Y,
                  lambda i, j, layer: (i, j, 2 if layer == 1 else Z),
                  lambda i, j, layer: (i, j, 1 if layer == 1 else Z), records)
        check_tecplot(os.path.join(folder, "tecplot3.dat"), (X + 1, Y + 1, Z + 1))
        check_tecplot(os.path.join(folder, "tecplot2.dat"), (X + 1, Y + 1, 1))
    for text in failures:
        print("FAILED:", text)
    if failures:
        sys.exit(1)
    print("VTK and Tecplot files of the flume read back: %d arrays per VTK file" % (len(ENTRIES) + 1))


if __name__ == "__main__":
    main()
