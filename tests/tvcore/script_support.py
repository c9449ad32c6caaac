"""Running the built programs natively or under Wine, and putting settings
into the maker's registry key: the real one of the Wine prefix, or the
per-user stand-in files natively."""
import os
import shutil
import subprocess

MAKER_KEY = r"HKCU\Software\Morvanix"


class Host:
    def __init__(self, wine, work):
        self.wine = wine
        self.work = os.path.abspath(work)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.env = dict(os.environ)
        if not wine:
            # Natively every per-user folder lies inside the work folder.
            for variable, name in (("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"), ("HOME", "home")):
                self.env[variable] = os.path.join(self.work, name)
                os.makedirs(self.env[variable], exist_ok=True)

    def path(self, native_path):
        """A path as the program under test spells it."""
        native_path = os.path.abspath(native_path)
        return "Z:" + native_path.replace("/", "\\") if self.wine else native_path

    def run(self, program, *args, input=None):
        command = ([self.wine] if self.wine else []) + [program, *args]
        result = subprocess.run(command, env=self.env, capture_output=True, text=True, timeout=240, input=input)
        return result.returncode, result.stdout.replace("\r\n", "\n"), result.stderr

    def clear_product(self, product):
        if self.wine:
            self.run("reg", "delete", f"{MAKER_KEY}\\{product}", "/f")
        else:
            shutil.rmtree(os.path.join(self.env["XDG_CONFIG_HOME"], "Morvanix"), ignore_errors=True)

    def set_values(self, product, values):
        """values: {(subkey or None, name): text}. The key is created for the
        test; the library itself only ever opens existing keys."""
        if self.wine:
            for (subkey, name), text in values.items():
                key = f"{MAKER_KEY}\\{product}" + (f"\\{subkey}" if subkey else "")
                code, out, err = self.run("reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", text, "/f")
                if code != 0:
                    raise RuntimeError(f"reg add {key} {name} failed: {out}{err}")
            return
        folder = os.path.join(self.env["XDG_CONFIG_HOME"], "Morvanix")
        os.makedirs(folder, exist_ok=True)
        head = [f"{name}={text}" for (subkey, name), text in values.items() if not subkey]
        lines = head[:]
        for section in dict.fromkeys(subkey for (subkey, _), _ in values.items() if subkey):
            lines.append(f"[{section}]")
            lines += [f"{name}={text}" for (subkey, name), text in values.items() if subkey == section]
        with open(os.path.join(folder, product + ".ini"), "w") as file:
            file.write("\n".join(lines) + "\n")


def scrambled(text, prefix="xxxxxx"):
    """The stored form of a product string: six characters, then each
    character XOR 0xA7 as two hex digits."""
    return prefix + "".join(f"{ord(c) ^ 0xA7:02X}" for c in text)
