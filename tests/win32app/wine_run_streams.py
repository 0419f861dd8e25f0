"""scripts/wine-run.sh, the way the tests use it: a caller that reads a Windows program's
output through pipes gets their end when the program ends, even when the program started Wine's
server and another Wine program keeps that server running. (Wine's server and services, started
by the program, used to hold its pipes open: such a caller waited until every Wine program in
the prefix had ended.)

    wine_run_streams.py WINE_RUN
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

WINE_RUN = None
SERVER = "/usr/lib/wine/wineserver"


class PipesEndWithTheProgram(unittest.TestCase):
    def setUp(self):
        self.prefix = tempfile.mkdtemp(prefix="tolvane-wine-streams-")
        self.env = dict(os.environ, WINEPREFIX=self.prefix)
        booted = subprocess.run([WINE_RUN, "wineboot", "-i"], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                env=self.env, timeout=600)
        self.assertEqual(booted.returncode, 0, "wineboot failed in " + self.prefix)
        # No server runs now: the program below is the prefix's first client.
        subprocess.run([SERVER, "-w"], env=self.env, timeout=300)

    def tearDown(self):
        subprocess.run([SERVER, "-k"], env=self.env, timeout=60)
        shutil.rmtree(self.prefix, ignore_errors=True)

    def test_a_program_that_starts_the_server_does_not_hold_its_callers_pipes(self):
        program = subprocess.Popen([WINE_RUN, "cmd", "/c", "echo", "first"],
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, env=self.env)
        # Its output is a line: it ends without anyone reading the pipes.
        self.assertEqual(program.wait(timeout=240), 0)
        # A second program, started while the server lingers after the first, runs until its
        # input ends: it keeps the server, and whatever the server still holds, alive.
        keeper = subprocess.Popen([WINE_RUN, "cmd", "/c", "pause"], stdin=subprocess.PIPE,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                  env=self.env)
        try:
            # The timeout only ends a hang: the pipes must end while the keeper runs.
            out, _ = program.communicate(timeout=120)
            self.assertIsNone(keeper.poll(), "the keeper ended before the pipes did")
            self.assertEqual(out.decode().strip(), "first")
        finally:
            keeper.stdin.close()
            try:
                keeper.wait(timeout=60)
            except subprocess.TimeoutExpired:
                keeper.kill()
            program.stdout.close()
            program.stderr.close()

if __name__ == "__main__":
    WINE_RUN = sys.argv.pop(1)
    unittest.main(verbosity=2)
