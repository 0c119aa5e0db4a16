#!/usr/bin/env python3
"""The source checks on small trees: what they let pass and what they stop."""
import json
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_sources.py")


def run_check(files, charsets):
    """Runs the check on a tree of `files` ({path: text}); `charsets` maps the
    compiled ones to their -fexec-charset or None.  Returns (code, stderr)."""
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w", encoding="utf-8") as f:
                f.write(text)
        build = os.path.join(root, "build")
        os.makedirs(build, exist_ok=True)
        commands = [{"directory": build, "file": os.path.join(root, path),
                     "command": "c++ -c " + (f"-fexec-charset={cs} " if cs else "") + path}
                    for path, cs in charsets.items()]
        with open(os.path.join(build, "compile_commands.json"), "w") as f:
            json.dump(commands, f)
        done = subprocess.run([sys.executable, CHECK, os.path.join(build, "compile_commands.json"), root, build],
                              capture_output=True, text=True)
        return done.returncode, done.stderr


class Texts(unittest.TestCase):
    def test_rows(self):
        rows = [
            # (what, source text, declared charset, passes)
            ("a narrow literal, nothing declared", 'const char* s = "中";\n', None, False),
            ("a narrow literal, GBK declared", 'const char* s = "中";\n', "GBK", True),
            ("a narrow literal, UTF-8 declared", 'const char* s = "中";\n', "UTF-8", True),
            ("a raw narrow literal", 'const char* s = R"(中)";\n', None, False),
            ("a character literal", "char c = '中';\n", None, False),
            ("a line comment", 'int x = 1;  // 中\n', None, True),
            ("a block comment", '/* 中\n 文 */ int x = 1;\n', None, True),
            ("a wide literal", 'const wchar_t* s = L"中";\n', None, True),
            ("a UTF-16 literal", 'const char16_t* s = u"中";\n', None, True),
            ("a UTF-8 literal", 'const char* s = u8"中";\n', None, True),
            ("escapes", 'const char* s = "\\xD6\\xD0";\n', None, True),
            ("a digit separator before a comment", "int x = 1'000;  // 中\n", None, True),
            ("a quote inside a literal", 'const char* s = "\\"";  // 中\n', None, True),
        ]
        for what, text, charset, passes in rows:
            with self.subTest(what):
                code, err = run_check({"ui/A.cpp": text}, {"ui/A.cpp": charset})
                self.assertEqual(code == 0, passes, err)
                if not passes:
                    self.assertIn("ui/A.cpp:1", err)

    def test_a_header_with_such_text_fails_whoever_includes_it(self):
        code, err = run_check({"ui/A.h": 'inline const char* s = "中";\n', "ui/A.cpp": '#include "ui/A.h"\n'},
                              {"ui/A.cpp": "GBK"})
        self.assertNotEqual(code, 0)
        self.assertIn("ui/A.h:1", err)
        self.assertIn("header", err)

    def test_generated_files_in_the_build_folder_are_left_alone(self):
        code, err = run_check({"build/Gen.cpp": 'const char* s = "中";\n'}, {"build/Gen.cpp": None})
        self.assertEqual(code, 0, err)


class Includes(unittest.TestCase):
    def test_rows(self):
        rows = [
            ("from a top folder", '#include "ui/A.h"\n', True),
            ("a system header", "#include <string>\n", True),
            ("beside the including file", '#include "A.h"\n', False),
            ("from a folder below", '#include "sub/B.h"\n', False),
            ("up and over", '#include "../ui/A.h"\n', False),
            ("a file that is not there", '#include "ui/Missing.h"\n', False),
        ]
        for what, text, passes in rows:
            with self.subTest(what):
                files = {"ui/A.h": "", "ui/sub/B.h": "", "app/B.cpp": "", "ui/C.cpp": text}
                code, err = run_check(files, {"ui/C.cpp": None})
                self.assertEqual(code == 0, passes, err)
                if not passes:
                    self.assertIn("is not spelled from a top folder", err)


if __name__ == "__main__":
    unittest.main()
