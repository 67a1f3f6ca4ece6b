#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 Dravo. All rights reserved; see the collection's LICENSE.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: data_source_info
short_description: Read the data sources of the Dravo Spark ODBC Driver
description:
  - Returns the data sources of the Dravo Spark ODBC Driver, the user's and the system's, with their
    settings (passwords masked), or the one named, through C(dravo-spark-config list --json).
    Changes nothing.
version_added: "1.2.0"
author:
  - Dravo (@dravo)
extends_documentation_fragment:
  - dravo.spark_odbc.tool
  - dravo.spark_odbc.tool.DATA_SOURCE_FILES
  - dravo.spark_odbc.tool.SECRETS
options:
  name:
    description:
      - The data source to return; without it, every data source of the driver.
      - Compared without regard to case, as unixODBC finds data sources.
    type: str
attributes:
  check_mode:
    description: Reads only; runs alike in check mode.
    support: full
  diff_mode:
    description: Nothing changes, so there is no diff.
    support: none
  platform:
    description: Linux and other POSIX systems with unixODBC and the driver's package.
    support: full
    platforms: posix
seealso:
  - module: dravo.spark_odbc.data_source
"""

EXAMPLES = r"""
- name: Every data source of the driver
  dravo.spark_odbc.data_source_info:
  register: sources

- name: Where Reports lives
  dravo.spark_odbc.data_source_info:
    name: Reports
  register: reports

- name: Say so when applications see another host than the system's
  ansible.builtin.debug:
    msg: "{{ reports.data_sources[0].location }} is the one applications see"
  when: reports.exists and reports.data_sources | length > 1
"""

RETURN = r"""
data_sources:
  description:
    - The data sources, the user's first; with I(name), the one of that name in each scope that holds
      one (the first is the one applications find).
  returned: always
  type: list
  elements: dict
  contains:
    name:
      description: The data source's name.
      type: str
    scope:
      description: C(user) or C(system).
      type: str
    location:
      description: The file and section.
      type: str
    settings:
      description: Each stored setting and its value; passwords and I(secret_settings) are masked.
      type: dict
exists:
  description: With I(name), whether a data source of that name is there, in either scope.
  returned: when I(name) is given
  type: bool
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.dravo.spark_odbc.plugins.module_utils.config_tool import (
    DATA_SOURCE_FILE_OPTIONS,
    TOOL_OPTIONS,
    Tool,
    masked_values,
)


def main():
    module = AnsibleModule(
        argument_spec=dict(TOOL_OPTIONS, name=dict(type="str"),
                           secret_settings=dict(type="list", elements="str", default=[], no_log=False),
                           **DATA_SOURCE_FILE_OPTIONS),
        supports_check_mode=True)
    listed = Tool(module).run(["list"], what="data_sources")["data_sources"]
    for source in listed:
        source["settings"] = masked_values(module, source["settings"])
    name = module.params["name"]
    if name is None:
        module.exit_json(changed=False, data_sources=listed)
    found = [source for source in listed if source["name"].lower() == name.lower()]
    module.exit_json(changed=False, data_sources=found, exists=bool(found))


if __name__ == "__main__":
    main()
