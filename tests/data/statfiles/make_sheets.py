#!/usr/bin/python3
# Writes the small workbook the READ tests use (run from this folder: /usr/bin/python3
# make_sheets.py). Sheet "Prices" holds a header row, numbers with no short decimal form, a
# date (read as its serial number), booleans, an empty cell, text cells (shared strings).
# Sheet "Notes" starts its table at C3, with text above and beside it.
import datetime
import openpyxl

wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Prices"
ws.append(["year", "price", "sold", "city", "when"])
ws.append([2001, 0.1, True, "Paris", datetime.date(2001, 3, 1)])
ws.append([2002, 1 / 3, False, "Lyon", datetime.date(2002, 12, 31)])
ws.append([2003, None, True, "Saint-Etienne", datetime.date(1900, 3, 1)])
ws.append([2004, -1.25e-300, None, None, None])
ws.append([2005, 6.02214076e23, False, "Paris", datetime.date(2024, 2, 29)])

notes = wb.create_sheet("Notes")
notes["A1"] = "a title above the table"
notes["C3"] = "x"
notes["D3"] = "y"
notes["C4"] = 1.5
notes["D4"] = 2.5
notes["C5"] = 3
notes["D5"] = "n/a"
notes["F9"] = "outside"
wb.save("sheets.xlsx")

# A file that is not a workbook at all, and a zip archive without a workbook in it.
with open("not_a_workbook.xlsx", "w") as f:
    f.write("year,price\n2001,0.1\n")
