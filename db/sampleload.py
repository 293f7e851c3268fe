"""Loading an SQL file of sample rows into a database under a sample root.

Shared by the db/add-sample-* scripts: each names its rows file and the
database it belongs to; the root folder comes from --root or $TOLVAREN_ROOT
and the embedded engine folder <root>/firebird of db/create-sample-db is
used unless FIREBIRD is set.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def fail(script, message):
    sys.stderr.write(f"{script}: {message}\n")
    sys.exit(1)


def resolve(root, *parts):
    """root/parts..., each existing component found without regard to case."""
    path = root
    for part in parts:
        candidate = os.path.join(path, part)
        if not os.path.exists(candidate) and os.path.isdir(path):
            match = [n for n in os.listdir(path) if n.upper() == part.upper()]
            if match:
                candidate = os.path.join(path, match[0])
        path = candidate
    return path


def root_from_args(script, description):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--root", help="root folder (default $TOLVAREN_ROOT)")
    args = parser.parse_args()
    root = args.root or os.environ.get("TOLVAREN_ROOT")
    if not root:
        fail(script, "no root folder: give --root or set TOLVAREN_ROOT")
    return os.path.abspath(root)


def load(script, root, db_parts, rows_file):
    """Runs db/<rows_file> (UTF-8) on the database root/<db_parts> as WIN1251."""
    with open(os.path.join(HERE, rows_file), encoding="utf-8") as f:
        return load_text(script, root, db_parts, f.read())


def load_text(script, root, db_parts, rows):
    """Runs the statements `rows` on the database root/<db_parts> as WIN1251."""
    db = resolve(root, *db_parts)
    if not os.path.isfile(db):
        fail(script, f"database not found: {db} (run db/create-sample-db first)")
    if shutil.which("isql-fb") is None:
        fail(script, "isql-fb not found (Debian package firebird3.0-utils)")
    env = dict(os.environ)
    if not env.get("FIREBIRD"):
        engine = os.path.realpath(os.path.join(root, "firebird"))  # never through a link
        if not os.path.isdir(engine):
            fail(script, f"engine folder not found: {engine} (run db/create-sample-db first)")
        env["FIREBIRD"] = engine
        env["FIREBIRD_LOCK"] = os.path.join(engine, "lock")
    quoted = db.replace("'", "''")
    script_text = (f"SET SQL DIALECT 3;\nSET NAMES WIN1251;\nCONNECT '{quoted}' USER 'SYSDBA';\n"
                   f"{rows}\n")
    with tempfile.NamedTemporaryFile("w", suffix=".sql", encoding="cp1251", delete=False) as f:
        f.write(script_text)
        name = f.name
    try:
        result = subprocess.run(["isql-fb", "-q", "-b", "-user", "SYSDBA", "-i", name], env=env,
                                capture_output=True)
    finally:
        os.remove(name)
    if result.returncode != 0:
        fail(script, f"isql-fb failed on {db}:\n" +
             (result.stdout + result.stderr).decode("cp1251", "replace"))
    return db
