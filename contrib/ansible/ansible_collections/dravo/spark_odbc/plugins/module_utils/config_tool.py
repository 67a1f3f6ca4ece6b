# -*- coding: utf-8 -*-
# Copyright: 2026 Dravo. All rights reserved; see the collection's LICENSE.
# What the collection's modules share: checking the settings given, running
# dravo-spark-config with --json and reading its answer. Settings reach the
# tool as one argument each (set NAME=VALUE), so that the tool's own checks of
# names and values apply as they do on its command line.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os

MASK = "********"
PASSWORD = "EncryptedPWD"
CLIENT_KEY_PASSWORD = "EncryptedClientPrivateKeyPWD"
PROPERTY_PREFIXES = ("ssp_", "http.header.")

TOOL_OPTIONS = dict(
    executable=dict(type="path", default="dravo-spark-config"),
    config_file=dict(type="path"),
    registry_root=dict(type="path"),
)

SETTINGS_OPTIONS = dict(
    settings=dict(type="dict", default={}),
    password=dict(type="str", no_log=True),
    client_key_password=dict(type="str", no_log=True),
    remove=dict(type="list", elements="str", default=[]),
    secret_settings=dict(type="list", elements="str", default=[], no_log=False),
    exact=dict(type="bool", default=False),
)

DATA_SOURCE_FILE_OPTIONS = dict(
    odbc_ini=dict(type="path"),
    odbc_sys_ini=dict(type="path"),
)


def kind_of(value):
    if value is None:
        return "null"
    if isinstance(value, float):
        return "a number with a fraction (%r)" % value
    if isinstance(value, (list, tuple)):
        return "a list"
    if isinstance(value, dict):
        return "a mapping"
    return "a %s" % type(value).__name__


def check_name(module, name, what="setting"):
    """A name that reaches the tool as given, or the task fails naming it."""
    if not isinstance(name, str) or not name:
        module.fail_json(msg="a %s name must be non-empty text, not %s" % (what, kind_of(name)))
    if "=" in name or "[" in name or "]" in name or "\n" in name or "\r" in name or "\0" in name:
        module.fail_json(msg="the %s name %r cannot be used: it holds '=', a bracket or a line break" % (what, name))
    # The tool would take it for one of its options.
    if name.startswith("-"):
        module.fail_json(msg="the %s name %r cannot be used: it begins with '-'" % (what, name))
    return name


def setting_text(module, name, value):
    """The text a setting is given: text as it is, switches from booleans as 1 and 0,
    whole numbers in decimal; anything else fails the task naming the setting."""
    if isinstance(value, bool):
        return "1" if value else "0"
    if isinstance(value, int):
        return str(value)
    if isinstance(value, str):
        return value
    module.fail_json(msg="the value of %s is %s: give the text to store (in quotes), a whole number, "
                     "or true/false for a switch" % (name, kind_of(value)))
    return None


def checked_password(module, option):
    value = module.params.get(option)
    if value is not None and value == "":
        module.fail_json(msg="%s is empty: an empty password would erase the stored one (an empty variable or "
                         "vault lookup?); to take the stored password away, name it in remove" % option)
    return value


def tool_path(module):
    """The tool's path, or the task fails saying what is missing."""
    executable = module.params["executable"]
    if os.sep in executable:
        if not os.path.exists(executable):
            module.fail_json(msg="%s does not exist: install the Dravo Spark ODBC Driver's package on this machine, "
                             "or give the path of dravo-spark-config with executable" % executable)
        if os.path.isdir(executable) or not os.access(executable, os.X_OK):
            module.fail_json(msg="%s is not a program this user can run" % executable)
        return executable
    found = module.get_bin_path(executable)
    if not found:
        module.fail_json(msg="%s was not found on the PATH: install the Dravo Spark ODBC Driver's package on this "
                         "machine, or give its path with executable" % executable)
    return found


def tool_environment(module):
    """The environment of the tool: the file locations the options name."""
    environment = {}
    for option, variable in (("config_file", "SPARKINI"), ("odbc_ini", "ODBCINI"), ("odbc_sys_ini", "ODBCSYSINI")):
        if module.params.get(option):
            environment[variable] = module.params[option]
    return environment


class Tool(object):
    """dravo-spark-config on the managed machine, asked with --json."""

    def __init__(self, module, target=None):
        self.module = module
        self.path = tool_path(module)
        # --dsn NAME and its scope, or nothing for the driver-wide settings.
        self.target = list(target or [])

    def run(self, arguments, secret=None, check=False, allowed=(0,), what=None, stdin=None):
        """The tool's answer as a dict; the task fails with the tool's message when it
        refuses, or when what answers is not the tool."""
        command = [self.path]
        if self.module.params.get("registry_root"):
            command += ["--registry-root", self.module.params["registry_root"]]
        command += arguments + self.target + ["--json"]
        if check:
            command.append("--check")
        if secret is not None:
            command.append("--password-stdin")
        rc, out, err = self.module.run_command(
            command, data=secret if stdin is None else stdin, environ_update=tool_environment(self.module), check_rc=False)
        try:
            answer = json.loads(out)
        except ValueError:
            answer = None
        if not isinstance(answer, dict) and rc == 64 and ("unknown option '%s'" % arguments[0]) in err:
            self.module.fail_json(msg="%s has no '%s' command: the driver's package on this machine is older than "
                                  "this collection" % (self.path, arguments[0]), rc=rc, stderr=err)
        if not isinstance(answer, dict):
            self.module.fail_json(
                msg="%s did not answer with JSON (exit status %d): is it dravo-spark-config?%s"
                % (self.path, rc, (" It said: " + (err or out).strip()[:400]) if (err or out).strip() else ""),
                rc=rc, stdout=out, stderr=err)
        if what and what not in answer:
            self.module.fail_json(msg="%s answered without %r: is it dravo-spark-config?" % (self.path, what),
                                  rc=rc, stdout=out, stderr=err)
        if rc not in allowed:
            message = answer.get("error") or err.strip() or "dravo-spark-config failed with exit status %d" % rc
            settings = answer.get("settings", {})
            if "secret_settings" in self.module.params:
                secret = set(name.lower() for name in self.module.params["secret_settings"])
                settings = dict((name, dict(values, before=MASK, after=MASK) if name.lower() in secret else values)
                                for name, values in settings.items())
            self.module.fail_json(msg=message, rc=rc, stderr=err, changed=False,
                                  location=answer.get("location", ""), notes=answer.get("notes", []),
                                  settings=settings)
        return answer


def masked_values(module, settings):
    """Stored settings (NAME: VALUE) with the secret settings' values masked."""
    secret = set(name.lower() for name in module.params["secret_settings"])
    return dict((name, MASK if name.lower() in secret and value else value) for name, value in settings.items())


class SettingsRequest(object):
    """The settings options of a module, checked, as the tool's requests."""

    def __init__(self, module):
        self.module = module
        params = module.params
        self.secret_names = set(name.lower() for name in params["secret_settings"])
        self.assignments = []
        named = set()
        for name, value in params["settings"].items():
            check_name(module, name)
            text = setting_text(module, name, value)
            if name.lower() in (PASSWORD.lower(), CLIENT_KEY_PASSWORD.lower()):
                module.fail_json(msg="%s is a password: give it with password or client_key_password, "
                                 "which keep it out of logs" % name)
            if name.lower() in self.secret_names and text:
                module.no_log_values.add(text)
            self.assignments.append("%s=%s" % (name, text))
            named.add(name.lower())
        self.removals = []
        for name in params["remove"]:
            check_name(module, name)
            if name.lower() in named:
                module.fail_json(msg="%s is both in settings and in remove" % name)
            self.removals.append(name)
        self.passwords = []
        for option, key in (("password", PASSWORD), ("client_key_password", CLIENT_KEY_PASSWORD)):
            value = checked_password(module, option)
            if value is not None:
                if key.lower() in (name.lower() for name in self.removals):
                    module.fail_json(msg="%s is given with %s and named in remove" % (key, option))
                self.passwords.append((key, value))
        self.exact = params["exact"]

    def apply(self, tool):
        """Runs the requests; their answers in order. One save holds the settings, the
        first password and, with exact, the putting back of what is not named."""
        check = self.module.check_mode
        first = self.passwords[:1]
        others = self.passwords[1:]
        arguments = ["set"] + self.assignments
        secret = None
        if first:
            arguments.append(first[0][0])
            secret = first[0][1]
        answers = []
        if self.exact:
            arguments.append("--exact")
            # With two passwords one save can hold only one: the other's save follows,
            # and putting it back first would change it on every run.
            run = True
            if others:
                trial = tool.run(arguments, secret=secret, check=True)
                kept = others[0][0].lower()
                run = any(values.get("changed") and name.lower() != kept
                          for name, values in trial.get("settings", {}).items())
            if run:
                answers.append(tool.run(arguments, secret=secret, check=check))
        elif self.assignments or first:
            answers.append(tool.run(arguments, secret=secret, check=check))
        for key, value in others:
            answers.append(tool.run(["set", key], secret=value, check=check))
        if self.removals:
            answers.append(tool.run(["unset"] + self.removals, check=check))
        return answers

    def mask(self, settings):
        """The settings of a result with the secret settings' values masked."""
        masked = {}
        for name, values in settings.items():
            values = dict(values)
            if name.lower() in self.secret_names:
                for side in ("before", "after"):
                    if values.get(side):
                        values[side] = MASK
            masked[name] = values
        return masked


def writable_or_why(location):
    """Why this user could not save at the location ("FILE [SECTION]"); None when it could."""
    path = location.rsplit(" [", 1)[0] if " [" in location else location
    if not os.path.isabs(path):
        return None
    folder = os.path.dirname(path)
    while folder and not os.path.exists(folder):
        folder = os.path.dirname(folder)
    if os.path.exists(path) and not os.access(path, os.W_OK):
        return "%s cannot be written by this user" % path
    if not os.access(folder, os.W_OK | os.X_OK):
        return "%s cannot be written by this user" % folder
    return None


def merge(answers, location=""):
    """The answers of several requests to one place as one: changed, settings, notes."""
    settings = {}
    notes = []
    changed = False
    for answer in answers:
        changed = changed or bool(answer.get("changed"))
        location = answer.get("location") or location
        for name, values in answer.get("settings", {}).items():
            if name in settings:
                values = dict(values, before=settings[name].get("before"))
                values["changed"] = bool(settings[name].get("changed") or values.get("changed"))
            settings[name] = values
        notes.extend(answer.get("notes", []))
    return {"changed": changed, "location": location, "settings": settings, "notes": notes}


def diff_of(result):
    """Before and after as NAME=VALUE lines; passwords and secret settings masked."""
    before = []
    after = []
    for name, values in sorted(result["settings"].items()):
        if values.get("before") is not None:
            before.append("%s=%s" % (name, values["before"]))
        if values.get("after") is not None:
            # A password changed is masked alike before and after: say so.
            marker = " (changed)" if values.get("changed") and values.get("before") == values["after"] else ""
            after.append("%s=%s%s" % (name, values["after"], marker))
    header = result.get("location", "")
    return {
        "before_header": header,
        "after_header": header,
        "before": "\n".join(before) + ("\n" if before else ""),
        "after": "\n".join(after) + ("\n" if after else ""),
    }


def finish(module, request, result):
    """Exits the module with the result: notes as warnings, diff in diff mode, and in
    check mode a change this user could not save as a failure."""
    result["settings"] = request.mask(result["settings"]) if request else result["settings"]
    for note in result["notes"]:
        module.warn("%s: %s=%s %s; a save writes %r"
                    % (note.get("place"), note.get("name"), note.get("stored"), note.get("reason"), note.get("shown")))
    if module._diff:
        result["diff"] = diff_of(result)
    if module.check_mode and result["changed"]:
        why = writable_or_why(result["location"])
        if why:
            result["changed"] = False
            module.fail_json(msg="the change would fail: %s (administrator rights are needed: use become)" % why,
                             **result)
    module.exit_json(**result)
