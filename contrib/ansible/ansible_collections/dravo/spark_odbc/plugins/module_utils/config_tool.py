# -*- coding: utf-8 -*-
# The collection's modules talk to dravo-spark-config through its settings
# commands with --json; this is what they share: turning a mapping of settings
# into the ini file that 'apply' reads, running the tool, and reading its answer.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os


def setting_text(value):
    """The text a setting holds: switches written as 0 and 1, numbers in decimal."""
    if isinstance(value, bool):
        return "1" if value else "0"
    return str(value)


def write_settings_file(module, section, settings):
    """An ini file of one section holding the settings, in the module's temporary directory."""
    path = os.path.join(module.tmpdir, "settings.ini")
    lines = ["[%s]" % section]
    for name, value in settings.items():
        lines.append("%s=%s" % (name, setting_text(value)))
    with open(path, "w", encoding="utf-8") as file:
        file.write("\n".join(lines) + "\n")
    return path


def tool_environment(module):
    """The environment of the tool: the file locations the options name."""
    environment = {}
    for option, variable in (("config_file", "SPARKINI"), ("odbc_ini", "ODBCINI"), ("odbc_sys_ini", "ODBCSYSINI")):
        if module.params.get(option):
            environment[variable] = module.params[option]
    return environment


def run_tool(module, arguments, password=None):
    """Runs the tool with --json (and --check in check mode); its answer as a dict.
    Fails the task with the tool's message when it refuses or fails."""
    command = [module.params["executable"]]
    if module.params.get("registry_root"):
        command += ["--registry-root", module.params["registry_root"]]
    command += arguments + ["--json"]
    if module.check_mode and arguments and arguments[0] in ("set", "unset", "apply", "remove"):
        command.append("--check")
    if password is not None:
        command.append("--password-stdin")
    rc, out, err = module.run_command(
        command, data=password, environ_update=tool_environment(module), check_rc=False)
    try:
        answer = json.loads(out) if out.strip() else {}
    except ValueError:
        answer = {}
    if rc != 0:
        message = answer.get("error") or err.strip() or out.strip() or "dravo-spark-config failed"
        module.fail_json(msg=message, rc=rc, stdout=out, stderr=err, settings=answer.get("settings", {}))
    return answer


def diff_of(answer):
    """Before and after as NAME=VALUE lines; the tool masks passwords."""
    before = []
    after = []
    for name, values in sorted(answer.get("settings", {}).items()):
        if values.get("before") is not None:
            before.append("%s=%s" % (name, values["before"]))
        if values.get("after") is not None:
            # A password changed is masked alike before and after: say so.
            marker = " (changed)" if values.get("changed") and values.get("before") == values["after"] else ""
            after.append("%s=%s%s" % (name, values["after"], marker))
    header = answer.get("location", "")
    return {
        "before_header": header,
        "after_header": header,
        "before": "\n".join(before) + ("\n" if before else ""),
        "after": "\n".join(after) + ("\n" if after else ""),
    }


def result_of(module, answer):
    """What a module returns: the tool's changed, settings, notes and location."""
    result = {
        "changed": bool(answer.get("changed")),
        "location": answer.get("location", ""),
        "settings": answer.get("settings", {}),
        "notes": answer.get("notes", []),
    }
    if module._diff:
        result["diff"] = diff_of(answer)
    return result
